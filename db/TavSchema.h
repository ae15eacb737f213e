#pragma once

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// The statements that build a new database file. SQLite keeps the create statements in sqlite_master,
// so their text (tabs and blanks included) must stay exactly as installations in the field have it.
class TavSchema
{
public:
    // The 18 table and default-row statements followed by one insert per settings row: 48 in all.
    static QStringList statements();
    // Indexes on the parent ids by which the lesson tables are read and deleted. They are not part of the
    // statements above: every open adds those missing, so files of earlier versions gain them too.
    static QStringList indexStatements();
    // The 17 tables of the statements, in their order of creation.
    static QStringList tableNames();
    // The settings rows of a new file, key and value, in their order of insertion.
    static QVector<QPair<QString, QString>> defaultSettings();
};
