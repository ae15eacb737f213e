#include "TAV_StuSortInfo.h"

#include "TavStatement.h"

#include <QVariantList>

QMap<QString, SeatPos> TAV_StuSortInfo::selectByClass(QSqlDatabase db, int classID)
{
    QMap<QString, SeatPos> seats;
    TavStatement st(
        db,
        QStringLiteral("select dovaneID, classID, col, row from TAV_StuSortInfo where classID = ? and dovaneID in "
                       "(select dovaneID from TAV_StudentInfo where classID = ?)"));
    st.bind(classID).bind(classID);
    if (!st.exec(TavStatement::ErrorOnly))
        return seats;
    QSqlQuery& q = st.query();
    while (q.next()) {
        SeatPos pos;
        pos.col = q.value(2).toInt();
        pos.row = q.value(3).toInt();
        seats.insert(q.value(0).toString(), pos);
    }
    return seats;
}

void TAV_StuSortInfo::deleteByClass(QSqlDatabase db, int classID)
{
    TavStatement st(db, QStringLiteral("delete from TAV_StuSortInfo where classID = ?"));
    st.bind(classID);
    st.exec(TavStatement::ErrorOnly);
}

bool TAV_StuSortInfo::saveSeats(QSqlDatabase db, QMap<QString, SeatPos> seats, int classID)
{
    TavStatement clear(db, QStringLiteral("delete from TAV_StuSortInfo where classID = ?"));
    clear.bind(classID);
    if (!clear.exec(TavStatement::ErrorOnly))
        return false;

    QVariantList students, classes, cols, rows;
    for (auto it = seats.cbegin(); it != seats.cend(); ++it) {
        students << TavStatement::text(it.key());
        classes << classID;
        cols << it.value().col;
        rows << it.value().row;
    }
    TavStatement insert(db,
                        QStringLiteral("insert into TAV_StuSortInfo (dovaneID, classID, col, row) values(?, ?, ?, ?)"));
    insert.bind(students).bind(classes).bind(cols).bind(rows);
    return insert.execBatch(TavStatement::ErrorOnly);
}
