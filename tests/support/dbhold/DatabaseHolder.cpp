// Holds a database file the way another program left in a transaction does, until its standard input closes:
//   tav-db-holder <database file> write   (BEGIN EXCLUSIVE: nobody else reads or writes)
//   tav-db-holder <database file> read    (a read transaction: others may write, nobody may commit)
// Prints "held" once it holds the file, or "not held" and ends with 1.
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

#include <iostream>
#include <string>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool held = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        db.setDatabaseName(args.value(1));
        QSqlQuery query(db);
        held = db.open()
            && (args.value(2) == QLatin1String("write") ? query.exec(QStringLiteral("BEGIN EXCLUSIVE"))
                                                        : query.exec(QStringLiteral("BEGIN"))
                        && query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && query.next());
        std::cout << (held ? "held" : "not held") << std::endl;
        for (std::string line; held && std::getline(std::cin, line);) { }
        query.finish();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    return held ? 0 : 1;
}
