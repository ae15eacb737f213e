#pragma once

#include <QMargins>
#include <QString>
#include <QVector>

class QBoxLayout;
class QComboBox;
class QPushButton;
class QVBoxLayout;
class QWidget;

// The frameless-window parts the tool bar's forms share: a "mainFrame" filling the dialog, a green "headerFrame"
// title bar with its "titleLabel" and 26x23 buttons, and the style rules that draw them.
class ZUFormFrame
{
public:
    struct Button
    {
        const char* name;
        QString toolTip;
    };

    // Lets "images:" name the pictures under the program directory's "Resources/images". Style sheets, icons
    // and pixmaps all name the program's pictures that way: the style sheet parser drops a whole sheet whose
    // url holds an accented letter, and the program may lie in a folder whose name has one. Start-up calls it
    // once; a test that builds forms without main() calls it with the program directory it uses.
    static void usePictureFolder(const QString& programDir);
    // "images:" + relative: the name of a picture of the program, never a path in the file system.
    static QString imagePath(const QString& relative);
    // The title-bar rules ("minBtn" and "closeBtn" included) followed by the form's own rules, which may
    // override them; '@' in either stands for "images:".
    static QString styleSheet(const QString& formRules);
    // Lays "mainFrame" over the dialog and returns the frame's layout, which has no margins and no spacing.
    // The margins leave room for the drop shadow.
    static QVBoxLayout* addMainFrame(QWidget* dialog, const QMargins& margins = QMargins(), bool shadow = false);
    // Adds "headerFrame" to the layout, built on the layout's widget; returns the buttons in the order given.
    static QVector<QPushButton*> addTitleBar(QBoxLayout* layout, const QString& title, const QVector<Button>& buttons,
                                             int height = 38, const QMargins& margins = QMargins(14, 0, 8, 0),
                                             int spacing = -1);
    // Lets the style rules draw the rows of the box's pop-up list (the platform's menu look ignores them).
    static void stylePopupList(QComboBox* box);
};
