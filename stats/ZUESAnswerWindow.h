#pragma once

#include <QDialog>

class QLabel;
class QScrollArea;
class QVBoxLayout;
class QWidget;

// The card both option windows of a one-item question stand on (827 x 476 at the bottom of the screen): a dark
// header with the right answer after "正确答案：", and the body the window fills.
class ZUESAnswerWindow : public QDialog
{
    Q_OBJECT
public:
    void setRightAnswer(const QString& answer);
    QString rightAnswer() const;

protected:
    // objectName is the form's class name; bodyStyle the style sheet of "bodyWig".
    ZUESAnswerWindow(const char* objectName, const QString& bodyStyle);

    QWidget* body() const { return m_body; }
    // Gives the window the height that shows the body's list of the given height whole (see
    // ZUStatsParts::fitHeight); area is the body's scroll area.
    void fitBodyTo(const QScrollArea* area, int listHeight);

private:
    QWidget* m_header;
    QWidget* m_body;
    QLabel* m_rightAnswer;
};
