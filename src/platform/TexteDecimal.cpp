#include "platform/TexteDecimal.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace brivane::platform::decimal {

std::optional<QString> NombreSimple(double value) {
  if (!std::isfinite(value)) {
    return std::nullopt;
  }
  // "-d.dddddddddddddde+XX": 15 significant digits, correctly rounded.
  char buffer[64];
  const auto end =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14).ptr;
  const std::string text(buffer, end);
  // The largest doubles round up past the largest double: such a text would
  // read back as an infinity.
  double back = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), back).ec != std::errc{}) {
    return std::nullopt;
  }
  const bool negative = text.front() == '-';
  const std::size_t e = text.find('e');
  std::string digits;
  for (std::size_t i = negative ? 1 : 0; i < e; ++i) {
    if (text[i] != '.') {
      digits += text[i];
    }
  }
  const int exponent = std::stoi(text.substr(e + 1));
  while (digits.size() > 1 && digits.back() == '0') {
    digits.pop_back();
  }
  if (digits == "0") {
    return QStringLiteral("0");
  }
  std::string result = negative ? "-" : "";
  if (exponent >= 0) {
    const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integerDigits) {
      result += digits;
      result.append(integerDigits - digits.size(), '0');
    } else {
      result.append(digits, 0, integerDigits);
      result += '.';
      result.append(digits, integerDigits);
    }
  } else {
    // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict) about "literal" + string.
    result += "0.";
    result.append(static_cast<std::size_t>(-exponent - 1), '0');
    result += digits;
  }
  return QString::fromLatin1(result);
}

std::optional<double> ArrondiAuPair(double value, int decimals) {
  if (!std::isfinite(value)) {
    return std::nullopt;
  }
  // Every double has an exact decimal expansion of at most 1074 fractional
  // digits: with 1100 the text below is the value itself, not an approximation.
  std::vector<char> buffer(1500);
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                 std::chars_format::fixed, 1100)
                       .ptr;
  std::string text(buffer.data(), end);
  const bool negative = text.front() == '-';
  if (negative) {
    text.erase(0, 1);
  }
  const std::size_t point = text.find('.');
  std::string kept = text.substr(0, point) + text.substr(point + 1, decimals);
  const std::string rest = text.substr(point + 1 + decimals);

  bool up = false;
  if (!rest.empty()) {
    if (rest[0] > '5') {
      up = true;
    } else if (rest[0] == '5') {
      const bool exactHalf = rest.find_first_not_of('0', 1) == std::string::npos;
      up = !exactHalf || ((kept.back() - '0') % 2 == 1);
    }
  }
  if (up) {
    std::size_t i = kept.size();
    while (i > 0) {
      --i;
      if (kept[i] == '9') {
        kept[i] = '0';
      } else {
        ++kept[i];
        break;
      }
      if (i == 0) {
        kept.insert(kept.begin(), '1');
      }
    }
  }
  const std::size_t integerDigits = kept.size() - static_cast<std::size_t>(decimals);
  std::string rounded = negative ? "-" : "";
  rounded.append(kept, 0, integerDigits);
  if (decimals > 0) {
    rounded += '.';
    rounded.append(kept, integerDigits);
  }
  double result = 0;
  std::from_chars(rounded.data(), rounded.data() + rounded.size(), result);
  return result == 0 ? 0.0 : result;
}

}  // namespace brivane::platform::decimal
