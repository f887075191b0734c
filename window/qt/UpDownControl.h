// An up-down control: two arrow buttons, up over down, stepping a number within a
// range. It has no text of its own; the window shows the number elsewhere.
#pragma once

#include <QWidget>

class QToolButton;

namespace tqv::window::qt {

class UpDownControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)

public:
    explicit UpDownControl(QWidget* parent = nullptr);

    int value() const { return m_value; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int singleStep() const { return m_step; }

    // The value is kept within the range; a range change may move it.
    void setRange(int minimum, int maximum);
    void setSingleStep(int step);

    // Clamps to the range without wrapping. valueChanged is emitted only when the
    // value really moves.
    void setValue(int value);
    void stepBy(int steps);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

    QSize sizeHint() const override;

signals:
    void valueChanged(int value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void placeButtons();
    void updateButtons();

    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum = 0;
    int m_maximum = 99;
    int m_step = 1;
    int m_value = 0;
};

}  // namespace tqv::window::qt
