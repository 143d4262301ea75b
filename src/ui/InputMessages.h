#pragma once

#include <QString>

#include "records/DataFolder.h"
#include "records/TextRecordFile.h"

// The Japanese texts that refuse input which the data files cannot hold.
namespace callpad::ui {

// "「どこの」に ..." naming the field (its label without the access key) and the character.
QString fieldProblemText(const QString& fieldLabel, const FieldProblem& problem);

// Why a recipient name cannot name a message file: the reason alone ("「/」や「\」は使えません。").
QString fileNameProblemReason(FileNameProblem problem);

// The refusal of a recipient name that cannot name a message file, with its reason.
QString recipientNameProblemText(const QString& name, FileNameProblem problem);

}  // namespace callpad::ui
