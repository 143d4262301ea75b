#pragma once

#include <QString>

#include "records/DataFolder.h"
#include "records/TextRecordFile.h"

// The Japanese texts that refuse input which the data files cannot hold.
namespace callpad::ui {

// Why a recipient name cannot name a message file: the reason alone ("「/」や「\」は使えません。").
QString fileNameProblemReason(FileNameProblem problem);

// The refusal of `typed`: "「どこの」に ..." naming the input (its label without the access key) and
// the character, or for a recipient that cannot name a message file, the name, what cannot be done
// with it (`refusedAction`, "連絡を保存できません。") and the reason.
QString refusalText(const QString& inputLabel, const QString& typed, const Refusal& refusal,
                    const QString& refusedAction);

}  // namespace callpad::ui
