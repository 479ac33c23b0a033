#include "platform/qtprompter.h"

#include "platform/messages.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

void QtPrompter::setParentWindow(QWidget *window)
{
    m_parent = window;
}

void QtPrompter::information(const QString &text)
{
    QMessageBox box(QMessageBox::Information, Messages::kCaption, text, QMessageBox::Ok, m_parent);
    box.exec();
}

void QtPrompter::plain(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, Messages::kCaption, text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool QtPrompter::askYesNo(const QString &text)
{
    QMessageBox box(QMessageBox::Information, Messages::kCaption, text,
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    return box.exec() == QMessageBox::Yes;
}

QStringList QtPrompter::chooseFilesToOpen(const FileOpenRequest &request)
{
    QFileDialog dialog(m_parent);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setDirectory(request.startFolder);
    dialog.setNameFilters(request.nameFilters);
    if (!request.nameFilters.isEmpty())
        dialog.selectNameFilter(request.nameFilters.first());
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

int QtPrompter::showModal(QDialog &dialog)
{
    return dialog.exec();
}

void QtPrompter::openUrl(const QUrl &url)
{
    // Whether the desktop could open it is not checked: there is nothing useful to say.
    QDesktopServices::openUrl(url);
}
