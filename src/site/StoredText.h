#pragma once

#include <string>

class QLineEdit;

// A stored text in a field whose length limit is meant for typing. The
// database may hold longer values (the receiver sends pager numbers of up
// to nine characters; other programs and older versions wrote the tables
// too), and a modify window must neither cut them when it shows them nor
// store a field the user did not touch any other way than it was.
namespace StoredText
{
// Shows the stored text whole: the field's limit grows to its length, so
// the user can shorten it but not lengthen it past the limit.
void show(QLineEdit &field, const std::string &stored);
// The text to store: the stored one, byte for byte, while the field shows
// it unchanged; otherwise what the field holds.
std::string taken(const QLineEdit &field, const std::string &stored);
}
