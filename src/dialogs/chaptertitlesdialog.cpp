#include "dialogs/chaptertitlesdialog.h"

#include "inputs/chaptertitle.h"
#include "joinlist/joinlist.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { kFileColumn, kTitleColumn };

constexpr int kWidth = 520;
constexpr int kHeight = 360;

}  // namespace

ChapterTitlesDialog::ChapterTitlesDialog(JoinList &list, QWidget *parent)
    : QDialog(parent), m_list(list)
{
    setWindowTitle(QStringLiteral("Chapters"));
    resize(kWidth, kHeight);

    m_table = new QTableWidget(list.rowCount(), 2, this);
    m_table->setObjectName(QStringLiteral("tbl_chapters"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("File"), QStringLiteral("Title")});
    m_table->horizontalHeader()->setSectionResizeMode(kFileColumn, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(kTitleColumn, QHeaderView::Stretch);
    m_table->setEditTriggers(QAbstractItemView::AllEditTriggers);
    for (int row = 0; row < list.rowCount(); ++row) {
        const QString path = list.fullPath(row);
        m_defaults << ChapterTitle::byRule(path, ChapterTitle::Rule::Tags);
        auto *file = new QTableWidgetItem(QFileInfo(path).fileName());
        file->setFlags(file->flags() & ~Qt::ItemIsEditable);
        file->setToolTip(path);
        m_table->setItem(row, kFileColumn, file);
        const QString given = list.chapterTitle(row);
        m_table->setItem(row, kTitleColumn,
                         new QTableWidgetItem(given.isEmpty() ? m_defaults.last() : given));
    }

    auto *okButton = new QPushButton(QStringLiteral("Ok"), this);
    okButton->setObjectName(QStringLiteral("btn_ok"));
    okButton->setDefault(true);
    auto *cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("btn_cancel"));
    cancelButton->setAutoDefault(false);
    connect(okButton, &QPushButton::clicked, this, [this] { acceptTitles(); });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(buttons);
}

void ChapterTitlesDialog::acceptTitles()
{
    for (int row = 0; row < m_table->rowCount() && row < m_list.rowCount(); ++row) {
        const QString title = m_table->item(row, kTitleColumn)->text().trimmed();
        m_list.setChapterTitle(row, title == m_defaults.value(row) ? QString() : title);
    }
    accept();
}
