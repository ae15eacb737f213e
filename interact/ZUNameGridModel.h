#pragma once

#include <QAbstractTableModel>
#include <QPair>
#include <QString>
#include <QVector>

// Names placed in a grid of fixed width, row by row, in the order of their keys (students by id). Adding or
// removing one name tells the views about the cells from that name on only, so a view repaints what moved
// rather than the whole list, and a class of any size costs the same per name.
class ZUNameGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ZUNameGridModel(int columns, QObject* parent = nullptr);

    // Every name anew, keyed as they come (a later key replaces an earlier one of the same key).
    void setNames(const QVector<QPair<QString, QString>>& keyedNames);
    // False, and nothing changed, when the key is there already.
    bool insert(const QString& key, const QString& name);
    // False when the key is not there.
    bool remove(const QString& key);
    bool contains(const QString& key) const;

    int count() const { return m_names.size(); }
    QStringList names() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    using Entry = QPair<QString, QString>; // key, name
    static int rowsFor(int names, int columns) { return (names + columns - 1) / columns; }
    int position(const QString& key) const;
    // From the cell of the k-th name to the last cell of the grid.
    void tellChangedFrom(int k);

    int m_columns;
    QVector<Entry> m_names; // by key
};
