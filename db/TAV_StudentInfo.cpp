#include "TAV_StudentInfo.h"

#include "TAVMemInfo.h"
#include "TavStatement.h"

#include <QVariantList>

namespace {
StudentInfoRow readStudent(const QSqlQuery& q)
{
    StudentInfoRow row;
    row.dovaneID = q.value(0).toString();
    row.classID = q.value(1).toInt();
    row.name = q.value(2).toString();
    row.sn = q.value(3).toString();
    row.stationSn = q.value(4).toString();
    return row;
}
} // namespace

void TAV_StudentInfo::setSn(QSqlDatabase db, QString dovaneID, QString sn)
{
    TavStatement st(db, QStringLiteral("update TAV_StudentInfo set sn = ? where dovaneID = ?"));
    st.bind(TavStatement::text(sn)).bind(TavStatement::text(dovaneID));
    st.exec(TavStatement::ErrorOnly);
}

void TAV_StudentInfo::setStationSn(QSqlDatabase db, QString dovaneID, QString stationSn)
{
    TavStatement st(db, QStringLiteral("update TAV_StudentInfo set stationSn = ? where dovaneID = ?"));
    st.bind(TavStatement::text(stationSn)).bind(TavStatement::text(dovaneID));
    st.exec(TavStatement::ErrorOnly);
}

void TAV_StudentInfo::deleteByClass(QSqlDatabase db, int classID)
{
    TavStatement st(db, QStringLiteral("delete from TAV_StudentInfo where classID = ?"));
    st.bind(classID);
    st.exec();
}

void TAV_StudentInfo::clearSn(QSqlDatabase db, QString sn)
{
    TavStatement st(db, QStringLiteral("update TAV_StudentInfo set sn = ?, stationSn = ? where sn = ?"));
    st.bind(TavStatement::text(QString())).bind(TavStatement::text(QString())).bind(TavStatement::text(sn));
    st.exec(TavStatement::ErrorOnly);
}

StudentInfoRow TAV_StudentInfo::selectByClassAndSn(QSqlDatabase db, int classID, QString sn)
{
    TavStatement st(
        db,
        QStringLiteral(
            "select dovaneID, classID, name, sn, stationSn from TAV_StudentInfo where classID = ? and sn = ?"));
    st.bind(classID).bind(TavStatement::text(sn));
    if (!st.exec(TavStatement::ErrorOnly) || !st.query().next())
        return StudentInfoRow();
    return readStudent(st.query());
}

void TAV_StudentInfo::loadByClass(QSqlDatabase db, int classID)
{
    TAVMemInfo* mem = TAVMemInfo::getInstance();
    mem->snMap.clear();
    mem->studentMap.clear();
    mem->studentList.clear();
    // A read that broke off keeps the students read before, as it always has.
    QVector<StudentInfoRow> students;
    selectByClass(db, classID, &students);
    for (const StudentInfoRow& row : qAsConst(students)) {
        if (!row.sn.isEmpty())
            mem->snMap.insert(row.sn, row.dovaneID);
        mem->studentMap.insert(row.dovaneID, row);
    }
    mem->studentList = students;
}

bool TAV_StudentInfo::selectByClass(QSqlDatabase db, int classID, QVector<StudentInfoRow>* students)
{
    TavStatement st(
        db, QStringLiteral("select dovaneID, classID, name, sn, stationSn from TAV_StudentInfo where classID = ?"));
    st.setSqlPrefix(QStringLiteral("****the sql is : "));
    st.setForwardOnly();
    st.bind(classID);
    if (!st.exec())
        return false;
    QSqlQuery& q = st.query();
    while (q.next())
        students->append(readStudent(q));
    return !q.lastError().isValid();
}

void TAV_StudentInfo::deleteByClasses(QSqlDatabase db, QVector<ClassInfoRow> classes)
{
    QVariantList ids;
    for (const ClassInfoRow& c : qAsConst(classes))
        ids << c.classID;
    TavStatement st(db, QStringLiteral("delete from TAV_StudentInfo where classID = ?"));
    st.bind(ids);
    st.execBatch(TavStatement::ErrorOnly);
}

void TAV_StudentInfo::insertStudentInfoList(QSqlDatabase db, QVector<StudentInfoRow> students)
{
    QVariantList ids, classes, names, sns, stationSns;
    for (const StudentInfoRow& s : qAsConst(students)) {
        ids << TavStatement::text(s.dovaneID);
        classes << s.classID;
        names << TavStatement::text(s.name);
        sns << TavStatement::text(s.sn);
        stationSns << TavStatement::text(s.stationSn);
    }
    TavStatement st(
        db,
        QStringLiteral("insert into TAV_StudentInfo (dovaneID, classID , name, sn, stationSn) values(?, ?, ?, ?, ?)"));
    st.bind(ids).bind(classes).bind(names).bind(sns).bind(stationSns);
    st.execBatch(TavStatement::ErrorOnly);
}

void TAV_StudentInfo::deleteStudents(QSqlDatabase db, QVector<StudentInfoRow> students)
{
    QVariantList ids, classes;
    for (const StudentInfoRow& s : qAsConst(students)) {
        ids << TavStatement::text(s.dovaneID);
        classes << s.classID;
    }
    TavStatement st(db, QStringLiteral("delete from TAV_StudentInfo where dovaneID = ? and classID = ?"));
    st.bind(ids).bind(classes);
    st.execBatch(TavStatement::ErrorOnly);
}
