#pragma once

#include <QDialog>
#include <QStringList>

class QPushButton;
class QTableWidget;
class QVBoxLayout;

// A full-screen report of a quiz: the green title bar with the logo, the title and a close button, and a long
// table that the floating scroll control scrolls and closes.
class ZUReportWindow : public QDialog
{
    Q_OBJECT
public:
    // The table's vertical scroll bar one step down or up; the scroll bar keeps it in range.
    void scrollDown();
    void scrollUp();
    // Carries the floating scroll control in the table's bottom-right corner.
    void carryLevitate();

    QTableWidget* table() const { return m_table; }
    QPushButton* closeButton() const { return m_closeButton; }

public slots:
    void on_closeButton_clicked();

protected:
    ZUReportWindow(const char* objectName, const QString& title, const QSize& closeSize);

    // The table with its headers, header height and cell background; added to the window by the caller.
    QTableWidget* makeTable(const QStringList& headers, int headerHeight, const char* background);
    QVBoxLayout* windowLayout() const { return m_layout; }

    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void placeLevitate();

    QVBoxLayout* m_layout;
    QPushButton* m_closeButton;
    QTableWidget* m_table = nullptr;
};
