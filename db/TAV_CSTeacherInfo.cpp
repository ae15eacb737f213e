#include "TAV_CSTeacherInfo.h"

#include "TavStatement.h"

#include <QVariantList>

void TAV_CSTeacherInfo::deleteByUser(QSqlDatabase db, QString username)
{
    TavStatement st(db, QStringLiteral("delete from TAV_CSTeacherInfo where username = ?"));
    st.bind(TavStatement::text(username));
    st.exec();
}

bool TAV_CSTeacherInfo::existsByClass(QSqlDatabase db, int classID)
{
    TavStatement st(db, QStringLiteral("select username, classID, subjectID from TAV_CSTeacherInfo where classID = ?"));
    st.bind(classID);
    return st.exec() && st.query().next();
}

bool TAV_CSTeacherInfo::existsBySubject(QSqlDatabase db, int subjectID)
{
    TavStatement st(db,
                    QStringLiteral("select username, classID, subjectID from TAV_CSTeacherInfo where subjectID = ?"));
    st.bind(subjectID);
    return st.exec() && st.query().next();
}

QList<CSTeacherInfoRow> TAV_CSTeacherInfo::selectByUser(QSqlDatabase db, QString username)
{
    QList<CSTeacherInfoRow> list;
    TavStatement st(db,
                    QStringLiteral("select username, classID, subjectID from TAV_CSTeacherInfo where username = ?"));
    st.bind(TavStatement::text(username));
    if (!st.exec())
        return list;
    QSqlQuery& q = st.query();
    while (q.next()) {
        CSTeacherInfoRow row;
        row.username = q.value(0).toString();
        row.classID = q.value(1).toInt();
        row.subjectID = q.value(2).toInt();
        list.append(row);
    }
    return list;
}

void TAV_CSTeacherInfo::insertCSTeacherInfoList(QSqlDatabase db, QVector<CSTeacherInfoRow> links)
{
    QVariantList users, classes, subjects;
    for (const CSTeacherInfoRow& link : qAsConst(links)) {
        users << TavStatement::text(link.username);
        classes << link.classID;
        subjects << link.subjectID;
    }
    TavStatement st(db,
                    QStringLiteral("insert into TAV_CSTeacherInfo (username, classID, subjectID) values (?, ?, ?)"));
    st.bind(users).bind(classes).bind(subjects);
    st.execBatch(TavStatement::ErrorOnly);
}
