#pragma once

#include "SeatPos.h"

#include <QMap>
#include <QString>
#include <QVector>

// One seat of the sign-in grid as it is shown.
struct SeatTile
{
    QString studentId; // empty for an empty seat
    QString name;
    QString keypadSn;
    bool signedIn = false;
};

// The seat grid of the sign-in screen without widgets: rows x columns of seats, each a student's or an empty
// one, the two ways of seating a class (stored plan, automatic plan), swapping two seats, and changing the size
// of the grid, which re-seats the students of removed columns or rows behind the last student seated.
class ZUSeatGrid
{
public:
    static constexpr int kMaxRows = 99;

    int rows() const { return m_rows; }
    int cols() const { return m_cols; }
    bool contains(int row, int col) const { return row >= 0 && col >= 0 && row < m_rows && col < m_cols; }
    const SeatTile& seat(int row, int col) const { return m_cells.at(row * m_cols + col); }
    SeatTile& seat(int row, int col) { return m_cells[row * m_cols + col]; }
    int studentCount() const;

    void clear();
    // Students in the given order, row by row, at most maxCols a row.
    void seatAutomatically(const QVector<SeatTile>& students, int maxCols);
    // The stored plan; false (and the grid left as it was) when a student has no stored seat inside the grid,
    // two students share one, or the size is outside 1..kMaxRows rows and 1..maxCols columns.
    bool seatStored(const QVector<SeatTile>& students, const QMap<QString, SeatPos>& seats, int rows, int cols,
                    int maxCols);
    // Grows the grid; the new cells are empty seats.
    void grow(int rows, int cols);
    // Swaps two seats; false, and nothing changed, unless both lie inside the grid and differ.
    bool swap(int fromRow, int fromCol, int toRow, int toCol);
    // Removes the last count columns (rows); their students sit down after the last student seated. False, and
    // nothing changed, when fewer than one column (row) would stay or the grid would outgrow its limits.
    bool removeColumns(int count, int maxCols);
    bool removeRows(int count, int maxCols);
    // Every student's seat.
    QMap<QString, SeatPos> seatPlan() const;

private:
    void resize(int rows, int cols);
    bool removeLastColumns(int count, int maxCols, int maxRows);
    void transpose();

    int m_rows = 0;
    int m_cols = 0;
    QVector<SeatTile> m_cells; // row by row
};
