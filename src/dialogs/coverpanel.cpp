#include "dialogs/coverpanel.h"

#include "audio/core/audioerror.h"
#include "audio/tags/coverfinder.h"
#include "inputs/partfolder.h"
#include "platform/errorreport.h"
#include "platform/prompter.h"

#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace {

constexpr int kThumbnailSize = CoverPanel::kWidth;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;
constexpr int kChooseTop = kThumbnailSize + 8;
constexpr int kRemoveTop = kChooseTop + kButtonHeight + kButtonGap;
static_assert(kRemoveTop + kButtonHeight <= CoverPanel::kHeight);

const QString kPictureFilter = QStringLiteral("JPEG or PNG pictures (*.jpg *.jpeg *.png)");

}  // namespace

CoverPanel::CoverPanel(Prompter &prompter, ErrorReport &errorReport, InputsSource inputs,
                       QWidget *parent)
    : QWidget(parent), m_prompter(prompter), m_inputs(std::move(inputs))
{
    resize(kWidth, kHeight);
    m_thumbnail = new QLabel(this);
    m_thumbnail->setObjectName(QStringLiteral("lbl_cover"));
    m_thumbnail->setFrameShape(QFrame::Box);
    m_thumbnail->setAlignment(Qt::AlignCenter);
    m_thumbnail->setGeometry(0, 0, kThumbnailSize, kThumbnailSize);

    auto *chooseButton = new QPushButton(QStringLiteral("Choose…"), this);
    chooseButton->setObjectName(QStringLiteral("btn_cover_choose"));
    chooseButton->setAutoDefault(false);
    chooseButton->setGeometry(0, kChooseTop, kWidth, kButtonHeight);
    auto *removeButton = new QPushButton(QStringLiteral("Remove"), this);
    removeButton->setObjectName(QStringLiteral("btn_cover_remove"));
    removeButton->setAutoDefault(false);
    removeButton->setGeometry(0, kRemoveTop, kWidth, kButtonHeight);

    connect(chooseButton, &QPushButton::clicked, this,
            [this, &errorReport] { runGuarded(errorReport, [this] { choose(); }); });
    connect(removeButton, &QPushButton::clicked, this, [this, &errorReport] {
        runGuarded(errorReport, [this] { setChoice(CoverChoice::none()); });
    });
}

void CoverPanel::setChoice(const CoverChoice &choice)
{
    m_choice = choice;
    showThumbnail();
}

// A picture that cannot serve is refused at once, naming it; the choice stays.
void CoverPanel::choose()
{
    FileOpenRequest request;
    request.nameFilters = QStringList{kPictureFilter};
    if (m_choice.kind == CoverChoice::Kind::File)
        request.startFolder = QFileInfo(m_choice.file).absolutePath();
    const QStringList files = m_prompter.chooseFilesToOpen(request);
    if (files.isEmpty())
        return;
    try {
        CoverPicture::fromFile(files.first());
    } catch (const AudioError &error) {
        m_prompter.information(QString::fromUtf8(error.what()));
        return;
    }
    setChoice(CoverChoice::chosen(files.first()));
}

void CoverPanel::showThumbnail()
{
    std::optional<CoverPicture> cover;
    try {
        const QStringList inputs = m_inputs ? m_inputs() : QStringList();
        cover = CoverFinder::resolve(m_choice, inputs, PartFolder::coverFolders(inputs.value(0)));
    } catch (const AudioError &) {
        // Changed since it was chosen: the join will say so, naming it.
    }
    const QImage image = cover ? QImage::fromData(cover->data) : QImage();
    if (image.isNull()) {
        m_thumbnail->setPixmap({});
        m_thumbnail->setText(QStringLiteral("No cover"));
        return;
    }
    m_thumbnail->setPixmap(QPixmap::fromImage(image.scaled(
        kThumbnailSize - 2, kThumbnailSize - 2, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}
