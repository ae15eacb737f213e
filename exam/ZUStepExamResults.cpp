#include "ZUStepExamResults.h"

#include "TAVMemInfo.h"
#include "ZUBaseExamSer.h"

namespace {

const char* const kPalette[] = { "#54cf79", "#f9ce61", "#f98c50", "#8591e5", "#66d4ff" };

// The options of the question's first item (at most `most`, -1 for all); none for a question without items.
QList<OptionNamesInfo> firstItemOptions(const ZUBaseExamSer& ser, int question, int most)
{
    const QList<QuestionRecord> items = ser.subQuestionsByQuestion(question);
    return items.isEmpty() ? QList<OptionNamesInfo>() : ser.getAnswerNamesByQIndex(items.first().mcsn - 1, most);
}

QString firstRightAnswer(const ZUBaseExamSer& ser, int question)
{
    QString ignored;
    return ser.getRightAnswerListByQuestion(question, ignored).value(0);
}

} // namespace

ZUStepExamResults::Groups ZUStepExamResults::answeringGroups(const QVector<QString>& finished,
                                                             const QVector<QString>& answering)
{
    Groups groups;
    const QMap<QString, StudentInfoRow>& students = TAVMemInfo::getInstance()->studentMap;
    for (auto it = students.cbegin(); it != students.cend(); ++it) {
        if (finished.contains(it.key()))
            groups.finished << it->name;
        else if (answering.contains(it.key()))
            groups.answering << it->name;
        else
            groups.notAnswered << it->name;
    }
    return groups;
}

QString ZUStepExamResults::explanationText(const ZUBaseExamSer& ser, int question)
{
    QString text;
    const QStringList rights = ser.getRightAnswerListByQuestion(question, text);
    return rights.size() == 1 ? rights.first() : text;
}

ZUStepExamResults::OptionNames ZUStepExamResults::optionNames(const ZUBaseExamSer& ser, int question)
{
    OptionNames result;
    result.rightAnswer = firstRightAnswer(ser, question);
    for (const OptionNamesInfo& entry : firstItemOptions(ser, question, -1)) {
        result.options << entry.option;
        result.names << QStringList(entry.names);
    }
    return result;
}

QColor ZUStepExamResults::optionColour(const QString& option, int& paletteIndex)
{
    if (option == ZUBaseExamSer::tr("未作答"))
        return QColor("#e7e7e7");
    if (option == ZUBaseExamSer::tr("其他"))
        return QColor("#e281ba");
    const int at = paletteIndex++ % int(sizeof kPalette / sizeof kPalette[0]);
    return QColor(kPalette[at]);
}

ZUStepExamResults::OptionChart ZUStepExamResults::optionChart(const ZUBaseExamSer& ser, int question)
{
    OptionChart result;
    result.rightAnswer = firstRightAnswer(ser, question);
    int palette = 0;
    for (const OptionNamesInfo& entry : firstItemOptions(ser, question, kChartOptions)) {
        result.values << double(entry.names.size());
        result.colours << optionColour(entry.option, palette);
        result.options << entry.option;
    }
    return result;
}

ZUStepExamResults::ItemTable ZUStepExamResults::itemTable(const ZUBaseExamSer& ser, int question)
{
    ItemTable result;
    const QList<QuestionRecord> items = ser.subQuestionsByQuestion(question);
    for (int k = 0; k < items.size(); ++k) {
        const int item = items.at(k).mcsn - 1;
        QMap<QString, int> counts;
        for (const OptionNamesInfo& entry : ser.getAnswerNamesByQIndex(item, kTableOptions))
            counts.insert(entry.option, entry.names.size());
        result.counts.insert(k, counts);
        result.rightAnswers << ser.getRightAnswerByQIndex(item);
    }
    return result;
}

ZUStepExamResults::ItemBars ZUStepExamResults::itemBars(const ZUBaseExamSer& ser, int question)
{
    ItemBars result;
    for (const QuestionRecord& record : ser.subQuestionsByQuestion(question)) {
        QuestionStatInfo stats;
        ser.questionStatistics(record.mcsn - 1, stats);
        result.stats << stats;
        result.rightAnswers << ser.getRightAnswerByQIndex(record.mcsn - 1);
    }
    return result;
}
