#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The answer key of the paper the local web service served last, from the file it writes beside its data:
// per answer item its number in the paper, its question, its right answer and the form of that answer. Both
// are stand-ins, so the demo keypads may know what the demo paper asks.
class Rf21xAnswerKey
{
public:
    enum Form { OneLetter, Letters, Digits };

    struct Item
    {
        int mcsn = 0; // 1-based number of the item in the paper
        int question = 0; // 1-based number of its question in the paper's order
        QByteArray answer; // empty: the paper gives none
        Form form = OneLetter;
    };

    // Where the local web service beside the program writes the key: webservice/served-key.json in the program
    // directory.
    static QString servedPath();
    // Empty when the file is missing or is no key.
    static Rf21xAnswerKey read(const QString& path);

    bool isEmpty() const;
    // When the paper was served; each serving is another quiz on it.
    QDateTime served() const;
    // Items by ascending mcsn.
    const QList<Item>& items() const;
    // Items of each question, questions in paper order.
    QList<QList<Item>> questions() const;

private:
    QDateTime m_served;
    QList<Item> m_items;
};
