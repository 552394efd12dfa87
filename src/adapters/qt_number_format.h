#pragma once

#include <QLocale>

#include "core/number_format.h"

namespace pm {

// The regional number settings of `locale` as the core wants them: decimal symbol, digit-group
// separator, group sizes and the shortest integer part that is grouped at all. The locale's own
// minus sign and digits are deliberately not taken: the program writes an ASCII "-" and the digits
// 0 to 9, so that what it shows always reads back as the number it means.
NumberFormat numberFormatOf(const QLocale& locale);

}  // namespace pm
