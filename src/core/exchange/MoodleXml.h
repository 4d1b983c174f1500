#pragma once

#include "core/exchange/Question.h"

// Moodle XML: <quiz> with <question type="…"> elements, as the course platform
// exports them. Read with QXmlStreamReader; a document type definition is refused,
// so no entity is ever declared, fetched or expanded.
namespace exchange {

// multichoice (single and multiple), truefalse, shortanswer and essay are read;
// questiontext and generalfeedback stay HTML, with @@PLUGINFILE@@ pictures embedded
// from their <file> elements as data: URLs; tags become points. Other types are
// skipped and counted.
ReadResult readMoodleXml(const QByteArray& bytes);

// Every kind: 不定项 as multichoice with several answers (it reads back as 多选);
// pictures carried as data: URLs go into <file> elements; points into <tags>.
QByteArray writeMoodleXml(const std::vector<Question>& questions);

// Shared with the spreadsheet reader: true when the XML reader is at a DTD, which
// every reader here refuses.
QString dtdRefused();

} // namespace exchange
