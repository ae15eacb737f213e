#pragma once

#include "InteractInfoRow.h"
#include "StuResultRow.h"
#include "StudentInfoRow.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <QVector>

// The three tables of the interaction report, cell texts ready to show ("  " and the value, "  --" where a
// value does not apply), built from the stored rows of one lesson.
struct InteractReport
{
    QVector<QStringList> ranking;
    QVector<QStringList> answers;
    QVector<QStringList> feedback;
};

class ZUInteractReportSer
{
public:
    static InteractReport build(const QList<InteractInfoRow>& interactions,
                                const QMap<int, QList<StuResultRow>>& results,
                                const QMap<QString, StudentInfoRow>& studentMap, int classSize);

    static QString interactName(int mode);
    static QString cell(const QString& value) { return QStringLiteral("  ") + value; }
    static QString cell(int value) { return cell(QString::number(value)); }
    static QString none() { return QStringLiteral("  --"); }

private:
    static QVector<QStringList> answerTable(const QList<InteractInfoRow>& interactions,
                                            const QMap<int, QList<StuResultRow>>& results, int classSize);
    static QVector<QStringList> feedbackTable(const QList<InteractInfoRow>& interactions,
                                              const QMap<int, QList<StuResultRow>>& results, int classSize);
    static QVector<QStringList> rankingTable(const QList<InteractInfoRow>& interactions,
                                             const QMap<int, QList<StuResultRow>>& results,
                                             const QMap<QString, StudentInfoRow>& studentMap);
};
