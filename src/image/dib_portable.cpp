// The seam's DIB conversion by the portable converter, for every layer but
// Windows, whose GDI converts instead.
#include "image/dib_rows.h"

DibConvertResult ConvertDibToRgb(const DibDescription& dib, std::uint8_t* rgb) {
  return ConvertDibRows(dib, rgb) != 0 ? DibConvertResult::Ok : DibConvertResult::ConversionError;
}
