#include "TAV_ClassInfo.h"

#include "TAVMemInfo.h"
#include "TAV_CSTeacherInfo.h"
#include "TavStatement.h"

#include <QSqlError>
#include <QVariantList>

namespace {

// phase, grade, classNum, className, stationSn: the first five columns of both class selects.
void readClassColumns(const QSqlQuery& q, ClassInfoRow& row)
{
    row.phase = q.value(0).toInt();
    row.grade = q.value(1).toInt();
    row.classNum = q.value(2).toInt();
    row.className = q.value(3).toString();
    row.stationSn = q.value(4).toString();
}

} // namespace

QString TAV_ClassInfo::selectClassName(QSqlDatabase db, int classID)
{
    TavStatement st(db, QStringLiteral("select className from TAV_ClassInfo where classID = ?"));
    st.bind(classID);
    if (!st.exec(TavStatement::ErrorOnly) || !st.query().last())
        return QString();
    return st.query().value(0).toString();
}

bool TAV_ClassInfo::setColRow(QSqlDatabase db, int row, int col, int classID)
{
    TavStatement st(db, QStringLiteral("update TAV_ClassInfo set col = ?, row = ? where classID = ?"));
    st.bind(col).bind(row).bind(classID);
    return st.exec(TavStatement::ErrorOnly);
}

void TAV_ClassInfo::deleteByClass(QSqlDatabase db, int classID)
{
    TavStatement st(db, QStringLiteral("delete from TAV_ClassInfo where classID = ?"));
    st.bind(classID);
    st.exec();
}

void TAV_ClassInfo::loadByClass(QSqlDatabase db, int classID)
{
    ClassInfoRow row;
    if (selectClass(db, classID, &row))
        TAVMemInfo::getInstance()->currentClass = row;
}

bool TAV_ClassInfo::selectClass(QSqlDatabase db, int classID, ClassInfoRow* row)
{
    TavStatement st(
        db,
        QStringLiteral(
            "select phase, grade, classNum, className, stationSn, row, col from TAV_ClassInfo where classID = ?"));
    st.bind(classID);
    if (!st.exec())
        return false;
    *row = ClassInfoRow();
    row->classID = classID;
    QSqlQuery& q = st.query();
    if (q.last()) {
        readClassColumns(q, *row);
        row->row = q.value(5).toInt();
        row->col = q.value(6).toInt();
    }
    return true;
}

void TAV_ClassInfo::saveClasses(QSqlDatabase db, QVector<ClassInfoRow> classes)
{
    QVariantList insIds, insPhases, insGrades, insNums, insNames, insSns;
    QVariantList updPhases, updGrades, updNums, updNames, updSns, updIds;
    for (const ClassInfoRow& c : qAsConst(classes)) {
        TavStatement find(db, QStringLiteral("select classID from TAV_ClassInfo where classID = ?"));
        find.bind(c.classID);
        if (!find.exec())
            return;
        if (find.query().next()) {
            updPhases << c.phase;
            updGrades << c.grade;
            updNums << c.classNum;
            updNames << TavStatement::text(c.className);
            updSns << TavStatement::text(c.stationSn);
            updIds << c.classID;
        } else {
            insIds << c.classID;
            insPhases << c.phase;
            insGrades << c.grade;
            insNums << c.classNum;
            insNames << TavStatement::text(c.className);
            insSns << TavStatement::text(c.stationSn);
        }
    }

    TavStatement insert(
        db,
        QStringLiteral("insert into TAV_ClassInfo (classID, phase, grade, classNum, className ,stationSn) "
                       "values(?, ?, ?, ?, ?, ?)"));
    insert.setErrorPrefix(QStringLiteral("****database error insert: "));
    insert.bind(insIds).bind(insPhases).bind(insGrades).bind(insNums).bind(insNames).bind(insSns);
    if (!insert.execBatch(TavStatement::ErrorOnly))
        return;

    TavStatement update(
        db,
        QStringLiteral("update TAV_ClassInfo set phase = ?, grade = ?, classNum = ?, "
                       "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t  className = ?, stationSn = ?  where classID = ?"));
    update.setErrorPrefix(QStringLiteral("****database error update: "));
    update.bind(updPhases).bind(updGrades).bind(updNums).bind(updNames).bind(updSns).bind(updIds);
    update.execBatch(TavStatement::ErrorOnly);
}

void TAV_ClassInfo::loadByUser(QSqlDatabase db, QString username)
{
    const QList<CSTeacherInfoRow> links = TAV_CSTeacherInfo::getInstance()->selectByUser(db, username);
    QList<ClassInfoRow> found;
    for (const CSTeacherInfoRow& link : links) {
        TavStatement st(
            db,
            QStringLiteral("select phase, grade, classNum, className, stationSn from TAV_ClassInfo where classID = ?"));
        st.bind(link.classID);
        if (!st.exec())
            return;
        ClassInfoRow row;
        row.classID = link.classID;
        QSqlQuery& q = st.query();
        if (q.last())
            readClassColumns(q, row);
        found.append(row);
    }
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->classMap.clear();
    for (const ClassInfoRow& row : qAsConst(found))
        mem->classMap.insert(row.classID, row);
}

void TAV_ClassInfo::setStationSn(QSqlDatabase db, int classID, QString stationSn)
{
    TavStatement st(db, QStringLiteral("update TAV_ClassInfo set stationSn = ? where classID = ?"));
    st.bind(TavStatement::text(stationSn)).bind(classID);
    if (!st.exec(TavStatement::ErrorOnly))
        return;
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    if (mem->currentClass.classID == classID)
        mem->currentClass.stationSn = stationSn;
    auto it = mem->classMap.find(classID);
    if (it != mem->classMap.end())
        it->stationSn = stationSn;
}
