#include "kit/updown.h"

#include "settings/integertext.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kButtonWidth = 16;

}  // namespace

UpDown::UpDown(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up = addArrowButton(Qt::UpArrow, QStringLiteral("up"));
    m_down = addArrowButton(Qt::DownArrow, QStringLiteral("down"));
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
    setFixedWidth(kButtonWidth);
    setFocusPolicy(Qt::NoFocus);
}

QToolButton *UpDown::addArrowButton(Qt::ArrowType arrow, const QString &name)
{
    auto *button = new QToolButton(this);
    button->setObjectName(name);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    button->setFixedWidth(kButtonWidth);
    return button;
}

void UpDown::setBuddy(QLineEdit *edit)
{
    m_buddy = edit;
    m_buddy->installEventFilter(this);
    connect(m_buddy, &QLineEdit::textChanged, this, &UpDown::takeUpBuddyText);
}

void UpDown::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
    m_position = clamped(m_position);
}

int UpDown::clamped(int value) const
{
    return std::clamp(value, m_minimum, m_maximum);
}

void UpDown::setPositionQuietly(int value)
{
    m_position = clamped(value);
}

void UpDown::setPosition(int value)
{
    setPositionQuietly(value);
    // Only a real change is written, so the caret stays where the user typed.
    if (m_buddy && m_buddy->text() != positionText())
        m_buddy->setText(positionText());
}

void UpDown::stepBy(int steps)
{
    setPosition(m_position + steps);
}

QString UpDown::positionText() const
{
    return m_thousandsSeparator ? IntegerText::withThousandsSeparator(m_position)
                                : QString::number(m_position);
}

void UpDown::takeUpBuddyText(const QString &text)
{
    QString digits = text.trimmed();
    digits.remove(QLatin1Char(','));
    const std::optional<int> number = IntegerText::parse(digits);
    if (number && *number >= m_minimum && *number <= m_maximum)
        m_position = *number;
}

bool UpDown::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_buddy && event->type() == QEvent::KeyPress && isEnabled()) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
