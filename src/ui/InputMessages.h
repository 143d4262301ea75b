#pragma once

#include <QString>

#include "records/DataFolder.h"
#include "records/TextRecordFile.h"

// The Japanese texts that refuse input which the data files cannot hold.
namespace callpad::ui {

// "「どこの」に ..." naming the field (its label without the access key) and the character.
QString fieldProblemText(const QString& fieldLabel, const FieldProblem& problem);

// Why a recipient name cannot be used for a message file.
QString recipientNameProblemText(const QString& name, FileNameProblem problem);

}  // namespace callpad::ui
