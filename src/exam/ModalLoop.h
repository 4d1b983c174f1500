#pragma once

class QDialog;

namespace exam {

// Shows `dialog` application-modal, centred on its owner, until it is done.
// Unlike QDialog::exec() the dialog may hide itself and come back (the exam
// screen while a paper is graded, the score list while a paper is reviewed).
int runModal(QDialog& dialog);

} // namespace exam
