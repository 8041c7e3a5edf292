#pragma once

#include <QString>

#include <optional>

// Decimal text of doubles, the same whatever the locale: the decimal point is
// always ".", and no digit grouping or exponent is ever written.
namespace brivane::platform::decimal {

// Up to 15 significant digits, no trailing zeros ("12.5", "3", "0.05", "-0.1").
// Empty for NaN, the infinities, and the few doubles next to the largest one
// whose 15 digits would read back as an infinity.
std::optional<QString> NombreSimple(double value);

// The value rounded to `decimals` places from its exact binary value: a value
// exactly half-way goes to the even neighbour (0.125 gives 0.12). Empty for
// NaN and the infinities.
std::optional<double> ArrondiAuPair(double value, int decimals);

}  // namespace brivane::platform::decimal
