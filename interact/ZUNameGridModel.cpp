#include "ZUNameGridModel.h"

#include <QMap>

#include <algorithm>

ZUNameGridModel::ZUNameGridModel(int columns, QObject* parent)
    : QAbstractTableModel(parent)
    , m_columns(qMax(1, columns))
{
}

void ZUNameGridModel::setNames(const QVector<QPair<QString, QString>>& keyedNames)
{
    QMap<QString, QString> byKey;
    for (const Entry& e : keyedNames)
        byKey.insert(e.first, e.second);
    beginResetModel();
    m_names.clear();
    m_names.reserve(byKey.size());
    for (auto it = byKey.cbegin(); it != byKey.cend(); ++it)
        m_names.append({ it.key(), it.value() });
    endResetModel();
}

int ZUNameGridModel::position(const QString& key) const
{
    const auto it = std::lower_bound(m_names.cbegin(), m_names.cend(), key,
                                     [](const Entry& e, const QString& k) { return e.first < k; });
    return int(it - m_names.cbegin());
}

bool ZUNameGridModel::contains(const QString& key) const
{
    const int k = position(key);
    return k < m_names.size() && m_names.at(k).first == key;
}

bool ZUNameGridModel::insert(const QString& key, const QString& name)
{
    const int k = position(key);
    if (k < m_names.size() && m_names.at(k).first == key)
        return false;
    const int rows = rowCount();
    const bool newRow = rowsFor(m_names.size() + 1, m_columns) > rows;
    if (newRow)
        beginInsertRows(QModelIndex(), rows, rows);
    m_names.insert(k, { key, name });
    if (newRow)
        endInsertRows();
    tellChangedFrom(k);
    return true;
}

bool ZUNameGridModel::remove(const QString& key)
{
    const int k = position(key);
    if (k >= m_names.size() || m_names.at(k).first != key)
        return false;
    const int rows = rowCount();
    const bool lastRowGoes = rowsFor(m_names.size() - 1, m_columns) < rows;
    if (lastRowGoes)
        beginRemoveRows(QModelIndex(), rows - 1, rows - 1);
    m_names.remove(k);
    if (lastRowGoes)
        endRemoveRows();
    tellChangedFrom(k);
    return true;
}

void ZUNameGridModel::tellChangedFrom(int k)
{
    const int rows = rowCount();
    if (k / m_columns < rows)
        emit dataChanged(index(k / m_columns, 0), index(rows - 1, m_columns - 1), { Qt::DisplayRole });
}

QStringList ZUNameGridModel::names() const
{
    QStringList names;
    names.reserve(m_names.size());
    for (const Entry& e : m_names)
        names << e.second;
    return names;
}

int ZUNameGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rowsFor(m_names.size(), m_columns);
}

int ZUNameGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant ZUNameGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    const int k = index.row() * m_columns + index.column();
    if (role != Qt::DisplayRole || k >= m_names.size())
        return QVariant();
    return m_names.at(k).second;
}
