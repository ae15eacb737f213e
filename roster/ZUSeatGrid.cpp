#include "ZUSeatGrid.h"

#include <QSet>

#include <algorithm>

namespace {

int ceilDiv(int a, int b)
{
    return (a + b - 1) / b;
}

} // namespace

int ZUSeatGrid::studentCount() const
{
    return int(std::count_if(m_cells.cbegin(), m_cells.cend(),
                             [](const SeatTile& tile) { return !tile.studentId.isEmpty(); }));
}

void ZUSeatGrid::clear()
{
    m_rows = 0;
    m_cols = 0;
    m_cells.clear();
}

void ZUSeatGrid::resize(int rows, int cols)
{
    QVector<SeatTile> cells(rows * cols);
    for (int r = 0; r < qMin(rows, m_rows); ++r) {
        for (int c = 0; c < qMin(cols, m_cols); ++c)
            cells[r * cols + c] = m_cells.at(r * m_cols + c);
    }
    m_rows = rows;
    m_cols = cols;
    m_cells = cells;
}

void ZUSeatGrid::seatAutomatically(const QVector<SeatTile>& students, int maxCols)
{
    clear();
    if (students.isEmpty())
        return;
    const int cols = qMin(qMax(1, maxCols), students.size());
    resize(ceilDiv(students.size(), cols), cols);
    for (int i = 0; i < students.size(); ++i)
        seat(i / cols, i % cols) = students.at(i);
}

bool ZUSeatGrid::seatStored(const QVector<SeatTile>& students, const QMap<QString, SeatPos>& seats, int rows, int cols,
                            int maxCols)
{
    if (rows < 1 || rows > kMaxRows || cols < 1 || cols > maxCols)
        return false;
    QSet<int> taken;
    for (const SeatTile& student : students) {
        const auto found = seats.constFind(student.studentId);
        if (found == seats.constEnd() || found->row < 0 || found->col < 0 || found->row >= rows || found->col >= cols)
            return false;
        const int cell = found->row * cols + found->col;
        if (taken.contains(cell))
            return false;
        taken.insert(cell);
    }
    clear();
    resize(rows, cols);
    for (const SeatTile& student : students) {
        const SeatPos pos = seats.value(student.studentId);
        seat(pos.row, pos.col) = student;
    }
    return true;
}

void ZUSeatGrid::grow(int rows, int cols)
{
    resize(qMax(rows, m_rows), qMax(cols, m_cols));
}

bool ZUSeatGrid::swap(int fromRow, int fromCol, int toRow, int toCol)
{
    if (!contains(fromRow, fromCol) || !contains(toRow, toCol) || (fromRow == toRow && fromCol == toCol))
        return false;
    std::swap(seat(fromRow, fromCol), seat(toRow, toCol));
    return true;
}

bool ZUSeatGrid::removeColumns(int count, int maxCols)
{
    return removeLastColumns(count, maxCols, kMaxRows);
}

// Rows are columns of the transposed grid: the last student seated is then found column by column, and the
// students of the removed rows fill the last column down before new columns are opened.
bool ZUSeatGrid::removeRows(int count, int maxCols)
{
    transpose();
    const bool removed = removeLastColumns(count, kMaxRows, maxCols);
    transpose();
    return removed;
}

bool ZUSeatGrid::removeLastColumns(int count, int maxCols, int maxRows)
{
    const int newCols = m_cols - count;
    if (count < 0 || newCols < 1 || newCols > maxCols)
        return false;
    QVector<SeatTile> moved;
    for (int c = newCols; c < m_cols; ++c) {
        for (int r = 0; r < m_rows; ++r) {
            if (!seat(r, c).studentId.isEmpty())
                moved.append(seat(r, c));
        }
    }
    // The last student seated, row by row; without one the re-seating starts at the first seat.
    int lastRow = 0;
    int lastCol = -1;
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < newCols; ++c) {
            if (!seat(r, c).studentId.isEmpty()) {
                lastRow = r;
                lastCol = c;
            }
        }
    }
    const int inRow = qMin(newCols - lastCol - 1, moved.size());
    const int neededRows = lastRow + 1 + ceilDiv(moved.size() - inRow, newCols);
    const int newRows = qMax(m_rows, neededRows);
    if (newRows > maxRows)
        return false;
    resize(newRows, newCols);
    for (int k = 0; k < moved.size(); ++k) {
        if (k < inRow)
            seat(lastRow, lastCol + 1 + k) = moved.at(k);
        else
            seat(lastRow + 1 + (k - inRow) / newCols, (k - inRow) % newCols) = moved.at(k);
    }
    return true;
}

void ZUSeatGrid::transpose()
{
    QVector<SeatTile> cells(m_cells.size());
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_cols; ++c)
            cells[c * m_rows + r] = seat(r, c);
    }
    std::swap(m_rows, m_cols);
    m_cells = cells;
}

QMap<QString, SeatPos> ZUSeatGrid::seatPlan() const
{
    QMap<QString, SeatPos> plan;
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_cols; ++c) {
            const SeatTile& tile = seat(r, c);
            if (!tile.studentId.isEmpty())
                plan.insert(tile.studentId, SeatPos { r, c });
        }
    }
    return plan;
}
