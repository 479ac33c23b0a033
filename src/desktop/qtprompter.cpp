#include "desktop/qtprompter.h"

#include "platform/messages.h"

#include <QAbstractItemView>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QUrl>

namespace {

// The names in the dialog's file name field: one name, or several each in
// double quotes, as the dialog itself writes a multiple selection.
QStringList typedNames(const QString &text)
{
    if (!text.contains(QLatin1Char('"')))
        return text.isEmpty() ? QStringList() : QStringList{text};
    QStringList names;
    const QStringList parts = text.split(QLatin1Char('"'));
    for (qsizetype i = 1; i < parts.size(); i += 2) {
        if (!parts[i].isEmpty())
            names << parts[i];
    }
    return names;
}

// Several quoted names in the file name field are taken as typed, each one:
// the dialog's own selection drops existing names once a missing one ends the
// list. A single name is the dialog's selection, missing or not.
QStringList chosenFiles(const QFileDialog &dialog)
{
    const auto *nameEdit = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    if (!nameEdit || !nameEdit->text().contains(QLatin1Char('"')))
        return dialog.selectedFiles();
    QStringList files;
    for (const QString &name : typedNames(nameEdit->text()))
        files << QDir::cleanPath(dialog.directory().absoluteFilePath(name));
    return files;
}

}  // namespace

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
    // A name typed for a file that no longer exists goes back to admission,
    // which tells the user the file has been removed. Only Qt's own dialog lets
    // it through: in AnyFile mode, with the several-file selection of
    // ExistingFiles put back on its file views.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    for (auto *view : dialog.findChildren<QAbstractItemView *>()) {
        if (qobject_cast<QFileSystemModel *>(view->model()))
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setDirectory(request.startFolder);
    dialog.setNameFilters(request.nameFilters);
    if (!request.nameFilters.isEmpty())
        dialog.selectNameFilter(request.nameFilters.first());
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return chosenFiles(dialog);
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
