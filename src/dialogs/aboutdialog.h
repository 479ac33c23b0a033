#pragma once

#include <QDialog>

class Prompter;
class QPushButton;

// The about box: name, version, and a way to write to the maker's support.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(Prompter &prompter, QWidget *parent = nullptr);

    QPushButton *contactButton() const { return m_contactButton; }
    QPushButton *closeButton() const { return m_closeButton; }

private:
    void writeToSupport();
    void closeBox();

    Prompter &m_prompter;
    QPushButton *m_contactButton = nullptr;
    QPushButton *m_closeButton = nullptr;
};
