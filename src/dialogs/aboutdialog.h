#pragma once

#include <QDialog>

class Prompter;
class QPushButton;

// The about box: name, version, and a way to write to the maker's support.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(Prompter &prompter, QWidget *parent = nullptr);

    QPushButton *btn_contact() const { return m_btnContact; }
    QPushButton *btn_close() const { return m_btnClose; }

private:
    void btn_contactClick();
    void btn_closeClick();

    Prompter &m_prompter;
    QPushButton *m_btnContact = nullptr;
    QPushButton *m_btnClose = nullptr;
};
