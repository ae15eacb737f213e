#pragma once

#include <QString>

#if defined(ZUTAVCOMMON_LIBRARY)
#define ZUTAVCOMMON_EXPORT Q_DECL_EXPORT
#else
#define ZUTAVCOMMON_EXPORT Q_DECL_IMPORT
#endif

// MD5 of the text's UTF-8 bytes as 32 lower-case hexadecimal characters.
ZUTAVCOMMON_EXPORT QString MD5Encryption(QString text);
