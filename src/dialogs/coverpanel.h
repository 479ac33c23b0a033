#pragma once

#include "audio/tags/coverchoice.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class ErrorReport;
class Prompter;
class QLabel;
class QPushButton;

// The tag dialog's cover column: a thumbnail of the cover the next join will
// carry, with "Choose…" and "Remove" under it. It holds the choice being made;
// the dialog loads it from the tag values and stores it back on "Ok".
class CoverPanel : public QWidget {
    Q_OBJECT

public:
    // The inputs in list order, for the cover the automatic choice finds.
    using InputsSource = std::function<QStringList()>;

    // The space the panel takes: its thumbnail and its buttons.
    static constexpr int kWidth = 128;
    static constexpr int kHeight = 196;

    CoverPanel(Prompter &prompter, ErrorReport &errorReport, InputsSource inputs,
               QWidget *parent = nullptr);

    void setChoice(const CoverChoice &choice);
    const CoverChoice &choice() const { return m_choice; }

private:
    void choose();
    void showThumbnail();

    Prompter &m_prompter;
    InputsSource m_inputs;
    CoverChoice m_choice;
    QLabel *m_thumbnail = nullptr;
};
