#pragma once

#include <QString>

namespace NetTestSupport {

// Loads an ini file with the given server into iniParse (the file lives in a temporary folder).
bool useServer(const QString& host, int port);

// An MD5 text computed independently of the code under test.
QString md5(const QString& text);

} // namespace NetTestSupport
