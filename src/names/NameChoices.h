#pragma once

#include <string_view>

#include "names/NameList.h"

class QComboBox;
class QWidget;

namespace callpad {

// Loads a name list file into `list` and adds every name of the file to the box's items, in file
// order. A file that could not be read whole is reported on `screen`; the names read before the
// damage are offered. Throws FileError when the file cannot be read at all.
void offerNames(QWidget* screen, const DataFolder& folder, std::string_view listPath, NameList& list, QComboBox* box);

}  // namespace callpad
