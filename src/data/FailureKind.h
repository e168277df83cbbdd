#pragma once

// What kind of refusal a failed statement operation met, as far as a window
// can tell its user more than the database's own words.
enum class FailureKind
{
    // Only the database's words say why.
    Other,
    // Another row already holds a value that must be unique.
    Duplicate,
    // The update or delete found no row: the record went meanwhile.
    NoRowMatched,
};
