#pragma once

#include <QString>
#include <QStringView>

// Writes compact JSON text straight into a QString, the same text that QString::fromUtf8 of
// QJsonDocument::toJson(QJsonDocument::Compact) gives for the same tree: the web service compares the
// upload document byte for byte, and building a QJsonObject tree of a large lesson costs most of the upload.
// The writer does not sort: members must be written in QJsonObject's order, that is by name.
class JsonTextWriter
{
public:
    explicit JsonTextWriter(int capacity = 256);
    // Writes into the memory of room when nothing else holds it: a document as large as the last one then needs
    // no fresh memory, whose every page costs a fault.
    JsonTextWriter(QString room, int capacity);

    void beginObject() { open(u'{'); }
    void endObject() { close(u'}'); }
    void beginArray() { open(u'['); }
    void endArray() { close(u']'); }

    // The name of the next member, a plain word (nothing in it to escape) as every name of our documents is;
    // its value follows.
    template<int N> void key(const char16_t (&name)[N]) { writeKey(name, N - 1); }
    void value(int number);
    // A null text is written as "", as QJsonValue writes a null QString.
    void value(QStringView text);

    template<int N> void member(const char16_t (&name)[N], int number)
    {
        writeKey(name, N - 1);
        value(number);
    }
    template<int N> void member(const char16_t (&name)[N], QStringView text)
    {
        writeKey(name, N - 1);
        value(text);
    }

    // The text written so far; the writer is empty afterwards.
    QString take();

private:
    // Room for n more code units; returns where they go.
    char16_t* room(qint64 n)
    {
        if (m_size + n > m_capacity)
            grow(n);
        return m_data + m_size;
    }
    void grow(qint64 n);
    void separate()
    {
        if (m_needComma) {
            *room(1) = u',';
            ++m_size;
        }
    }
    void open(char16_t bracket)
    {
        separate();
        *room(1) = bracket;
        ++m_size;
        m_needComma = false;
    }
    void close(char16_t bracket)
    {
        *room(1) = bracket;
        ++m_size;
        m_needComma = true;
    }
    void writeKey(const char16_t* name, int length);
    void writeString(const char16_t* text, int length);

    QString m_text;
    char16_t* m_data = nullptr;
    int m_size = 0;
    int m_capacity = 0;
    bool m_needComma = false;
};
