#pragma once

#include <QByteArray>
#include <QString>

namespace brivane::platform {

// Decodes bytes of the Windows-1252 code page (the code page of the invoice
// files). Every byte gives one character; the five bytes the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) give the control character of the
// same number, as Windows itself does.
QString DecoderWindows1252(const QByteArray& octets);

}  // namespace brivane::platform
