#pragma once

#include <QByteArray>
#include <QString>

namespace brivane::platform {

// File names as the system gives them. On Unix a name is any bytes: those that
// are not UTF-8 (a Windows-1252 "é" copied from Windows) are kept in the text
// as lone surrogates U+DC80..U+DCFF, so that the name opens again exactly as
// it was given. Qt's own decoding turns them into U+FFFD and loses them.

// The name of bytes given by the system (a command-line argument, a folder entry).
QString DecoderNom(const QByteArray& octets);

// The bytes to give the system for a name: the inverse of DecoderNom.
QByteArray EncoderNom(const QString& nom);

}  // namespace brivane::platform
