#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QTableWidget;

// One option row of the answer list: the option, its head count and the names that chose it.
class ZUTAVAnswerListItem : public QDialog
{
    Q_OBJECT
public:
    explicit ZUTAVAnswerListItem(QWidget* parent = nullptr);

    // Fills the row; returns its height.
    int setData(const QString& text, const QStringList& names);
    void setOptionFont(const QFont& font);
    QString optionText() const { return m_text; }
    QString labelText() const;
    QString countText() const;
    QTableWidget* namesTable() const { return m_names; }

    // The option as the label shows it: four characters on the first line, three on each further one;
    // numbers unbroken.
    static QString wrapOption(const QString& text);

signals:
    void clicked();

public slots:
    void on_ZUTAVStatisticalTableItemDialog_clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QString m_text;
    QLabel* m_option = nullptr;
    QLabel* m_count = nullptr;
    QTableWidget* m_names = nullptr;
};
