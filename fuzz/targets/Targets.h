#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// The fuzz targets' bodies. Each takes any bytes and returns normally when
// the code under test behaved (a result or a clean, explained refusal); on
// any broken promise it prints what broke and aborts, so that the fuzzer
// keeps the input and the test suite fails when it replays it.
namespace brivane::fuzz {

// Bytes as an invoice file: a document, or a reading error that says why.
void LectureFacture(const std::uint8_t* data, std::size_t size);
// Bytes as values written into a statement: the statement stays one insert
// of exactly those values.
void LitterauxSql(const std::uint8_t* data, std::size_t size);
// Bytes as a .dbf file: read, queried and appended to, or refused cleanly.
void TableDbf(const std::uint8_t* data, std::size_t size);
// Bytes as damage done to a built-in company's file: opened, read and posted
// into, or refused with a status.
void BaseCompagnieEndommagee(const std::uint8_t* data, std::size_t size);

// Reports a broken promise and aborts.
[[noreturn]] void Echec(const char* cible, const QString& quoi);

// A folder private to this process, removed at exit; aborts when none can be made.
QString DossierTemporaire();

}  // namespace brivane::fuzz
