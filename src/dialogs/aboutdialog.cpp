#include "dialogs/aboutdialog.h"

#include "platform/links.h"
#include "platform/prompter.h"

#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>

#include <cmath>

namespace {

constexpr int kWidth = 314;
constexpr int kHeight = 227;
constexpr int kBannerHeight = 90;
constexpr int kTextLeft = 20;
const QColor kTextColor(24, 54, 97);
const QColor kBannerTop(47, 102, 174);
const QColor kBannerBottom(19, 56, 102);
const QString kVersionLine = QStringLiteral("Version:    1.00");
const QString kAboutLine = QStringLiteral("Joins MP3, WAV, WMA and OGG files into one.");

// A waveform of thin bars across the banner, loudest towards the right.
void paintWaveform(QPainter &painter, const QRectF &area)
{
    constexpr int kBars = 36;
    const qreal slot = area.width() / kBars;
    painter.setPen(Qt::NoPen);
    for (int index = 0; index < kBars; ++index) {
        const qreal phase = double(index) / kBars;
        const qreal envelope = 0.25 + 0.75 * std::sin(phase * M_PI) * (0.55 + 0.45 * phase);
        const qreal wobble = 0.6 + 0.4 * std::abs(std::sin(index * 1.7) * std::cos(index * 0.45));
        const qreal height = area.height() * envelope * wobble;
        const QRectF bar(area.left() + index * slot + slot * 0.2, area.center().y() - height / 2,
                         slot * 0.6, height);
        painter.setBrush(QColor(255, 255, 255, 34 + int(40 * phase)));
        painter.drawRoundedRect(bar, slot * 0.3, slot * 0.3);
    }
}

QPixmap makeBanner()
{
    QPixmap banner(kWidth, kBannerHeight);
    QPainter painter(&banner);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, kWidth * 0.35, kBannerHeight);
    sky.setColorAt(0.0, kBannerTop);
    sky.setColorAt(1.0, kBannerBottom);
    painter.fillRect(banner.rect(), sky);
    paintWaveform(painter, QRectF(164, 14, kWidth - 176, kBannerHeight - 28));

    QFont nameFont(QStringLiteral("Arial"));
    nameFont.setPixelSize(28);
    nameFont.setBold(true);
    painter.setFont(nameFont);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(kTextLeft, 14, kWidth, 38), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Vantorel"));
    QFont tagFont(QStringLiteral("Arial"));
    tagFont.setPixelSize(12);
    painter.setFont(tagFont);
    painter.setPen(QColor(200, 220, 247));
    painter.drawText(QRectF(kTextLeft + 1, 52, kWidth, 18), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Audio joiner"));
    painter.fillRect(QRectF(0, kBannerHeight - 1, kWidth, 1), QColor(13, 42, 80));
    return banner;
}

QLabel *addLine(QWidget *parent, const QString &name, const QString &text, int top, bool bold)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont lineFont = label->font();
    lineFont.setBold(bold);
    label->setFont(lineFont);
    label->setGeometry(kTextLeft, top, kWidth - 2 * kTextLeft, 18);
    return label;
}

QPushButton *addButton(QWidget *parent, const QString &name, const QString &text, int left,
                       int width)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setGeometry(left, 186, width, 26);
    return button;
}

}  // namespace

AboutDialog::AboutDialog(Prompter &prompter, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_prompter(prompter)
{
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(kWidth, kHeight);
    setFont(QFont(QStringLiteral("Arial"), 9));
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, kTextColor);
    colours.setColor(QPalette::ButtonText, kTextColor);
    setPalette(colours);

    auto *banner = new QLabel(this);
    banner->setObjectName(QStringLiteral("img_banner"));
    banner->setPixmap(makeBanner());
    banner->setGeometry(0, 0, kWidth, kBannerHeight);

    addLine(this, QStringLiteral("lbl_name"), QStringLiteral("Vantorel"), 102, true);
    addLine(this, QStringLiteral("lbl_version"), kVersionLine, 122, false);
    addLine(this, QStringLiteral("lbl_about"), kAboutLine, 142, false);

    auto *separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("bvl_line"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setGeometry(12, 170, kWidth - 24, 2);

    m_contactButton =
        addButton(this, QStringLiteral("btn_contact"), QStringLiteral("Contact us "), 126, 90);
    m_closeButton = addButton(this, QStringLiteral("btn_close"), QStringLiteral("Close"), 222, 80);
    m_closeButton->setDefault(true);
    connect(m_contactButton, &QPushButton::clicked, this, &AboutDialog::writeToSupport);
    connect(m_closeButton, &QPushButton::clicked, this, &AboutDialog::closeBox);
}

void AboutDialog::writeToSupport()
{
    // The mail program opens beside the box; the box itself stays.
    m_prompter.openUrl(QUrl(QStringLiteral("mailto:") + Links::kSupportMail));
}

void AboutDialog::closeBox()
{
    reject();
}
