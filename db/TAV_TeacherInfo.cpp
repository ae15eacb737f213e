#include "TAV_TeacherInfo.h"

#include "TAVMemInfo.h"
#include "TavStatement.h"

bool TAV_TeacherInfo::offlineLogin(QSqlDatabase db, QString account, QString password)
{
    TavStatement st(
        db,
        QStringLiteral(
            "select username, name, password, avatar from TAV_TeacherInfo where username = ? or mobile = ?"));
    st.bind(TavStatement::text(account)).bind(TavStatement::text(account));
    if (!st.exec())
        return false;
    QSqlQuery& q = st.query();
    if (!q.last())
        return false;
    if (q.value(2).toString() != password)
        return false;
    TeacherInfoRow teacher;
    teacher.username = q.value(0).toString();
    teacher.name = q.value(1).toString();
    teacher.password = q.value(2).toString();
    teacher.avatar = q.value(3).toString();
    TAVMemInfo::getInstance()->currentTeacher = teacher;
    return true;
}

void TAV_TeacherInfo::setLoginDate(QSqlDatabase db, QString username, QDateTime loginDate)
{
    TavStatement st(db, QStringLiteral("update TAV_TeacherInfo set loginDate = ? where username = ?"));
    st.bind(loginDate.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))).bind(TavStatement::text(username));
    st.exec();
}

void TAV_TeacherInfo::deleteByUser(QSqlDatabase db, QString username)
{
    TavStatement st(db, QStringLiteral("delete from TAV_TeacherInfo where username = ?"));
    st.bind(TavStatement::text(username));
    st.exec();
}

void TAV_TeacherInfo::saveTeacher(QSqlDatabase db, TeacherInfoRow teacher)
{
    if (storeTeacher(db, teacher))
        TAVMemInfo::getInstance()->currentTeacher = teacher;
}

bool TAV_TeacherInfo::storeTeacher(QSqlDatabase db, const TeacherInfoRow& teacher)
{
    TavStatement find(db, QStringLiteral("select username from TAV_TeacherInfo where username = ?"));
    find.bind(TavStatement::text(teacher.username));
    if (!find.exec())
        return false;
    const bool known = find.query().next();
    find.query().finish();

    TavStatement save(
        db,
        known ? QStringLiteral("update TAV_TeacherInfo set name = ?, password = ?, mobile = ?, email = ?, avatar = ? "
                               "where username = ?")
              : QStringLiteral("insert into TAV_TeacherInfo (username, password, name, mobile, email, avatar) "
                               "values(?, ?, ?, ?, ?, ?)"));
    if (known) {
        save.bind(TavStatement::text(teacher.name)).bind(TavStatement::text(teacher.password));
        save.bind(TavStatement::text(teacher.mobile)).bind(TavStatement::text(teacher.email));
        save.bind(TavStatement::text(teacher.avatar)).bind(TavStatement::text(teacher.username));
    } else {
        save.bind(TavStatement::text(teacher.username)).bind(TavStatement::text(teacher.password));
        save.bind(TavStatement::text(teacher.name)).bind(TavStatement::text(teacher.mobile));
        save.bind(TavStatement::text(teacher.email)).bind(TavStatement::text(teacher.avatar));
    }
    return save.exec();
}

QList<TeacherInfoRow> TAV_TeacherInfo::selectAll(QSqlDatabase db)
{
    QList<TeacherInfoRow> list;
    TavStatement st(
        db, QStringLiteral("select username, password, name, mobile, email, avatar, loginDate from TAV_TeacherInfo"));
    if (!st.exec())
        return list;
    QSqlQuery& q = st.query();
    while (q.next()) {
        TeacherInfoRow row;
        row.username = q.value(0).toString();
        row.password = q.value(1).toString();
        row.name = q.value(2).toString();
        row.mobile = q.value(3).toString();
        row.email = q.value(4).toString();
        row.avatar = q.value(5).toString();
        row.loginDate = q.value(6).toString();
        list.append(row);
    }
    return list;
}
