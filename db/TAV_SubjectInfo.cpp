#include "TAV_SubjectInfo.h"

#include "TAVMemInfo.h"
#include "TavStatement.h"

#include <QVariantList>

QString TAV_SubjectInfo::selectSubjectName(QSqlDatabase db, int subjectID)
{
    TavStatement st(db, QStringLiteral("select subjectName from TAV_SubjectInfo where subjectID = ?"));
    st.bind(subjectID);
    if (!st.exec(TavStatement::ErrorOnly) || !st.query().last())
        return QString();
    return st.query().value(0).toString();
}

void TAV_SubjectInfo::deleteBySubject(QSqlDatabase db, int subjectID)
{
    TavStatement st(db, QStringLiteral("delete from TAV_SubjectInfo where subjectID = ?"));
    st.bind(subjectID);
    st.exec();
}

void TAV_SubjectInfo::saveSubjects(QSqlDatabase db, QVector<SubjectInfoRow> subjects)
{
    QVariantList updNames, updIds, insIds, insNames;
    for (const SubjectInfoRow& s : qAsConst(subjects)) {
        TavStatement find(db, QStringLiteral("select subjectID from TAV_SubjectInfo where subjectID = ?"));
        find.bind(s.subjectID);
        if (!find.exec(TavStatement::ErrorOnly))
            continue;
        if (find.query().next()) {
            updNames << TavStatement::text(s.subjectName);
            updIds << s.subjectID;
        } else {
            insIds << s.subjectID;
            insNames << TavStatement::text(s.subjectName);
        }
    }
    TavStatement update(db, QStringLiteral("update TAV_SubjectInfo set subjectName = ? where subjectID = ?"));
    update.bind(updNames).bind(updIds);
    if (!update.execBatch(TavStatement::ErrorOnly))
        return;
    TavStatement insert(db, QStringLiteral("insert into TAV_SubjectInfo values(?, ?)"));
    insert.bind(insIds).bind(insNames);
    insert.execBatch(TavStatement::ErrorOnly);
}

QVector<SubjectInfoRow> TAV_SubjectInfo::selectByUserAndClass(QSqlDatabase db, QString username, int classID)
{
    QVector<SubjectInfoRow> subjects;
    if (!selectTaught(db, username, classID, &subjects))
        return subjects;
    TAVMemInfo::getInstance()->subjectList = subjects;
    return subjects;
}

bool TAV_SubjectInfo::selectTaught(QSqlDatabase db, const QString& username, int classID,
                                   QVector<SubjectInfoRow>* subjects)
{
    TavStatement links(db,
                       QStringLiteral("select subjectID from TAV_CSTeacherInfo where username = ? and classID = ?"));
    links.bind(TavStatement::text(username)).bind(classID);
    if (!links.exec())
        return false;
    QSqlQuery& q = links.query();
    while (q.next()) {
        SubjectInfoRow row;
        row.subjectID = q.value(0).toInt();
        TavStatement name(db, QStringLiteral("select subjectID, subjectName from TAV_SubjectInfo where subjectID = ?"));
        name.bind(row.subjectID);
        if (!name.exec())
            return false;
        if (name.query().last())
            row.subjectName = name.query().value(1).toString();
        subjects->append(row);
    }
    return true;
}
