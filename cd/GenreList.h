#pragma once

#include <string>
#include <vector>

namespace quillon {

constexpr int kGenreCount = 144;
constexpr int kGenreOther = 12;

// The name of a genre index; "Other" for an index outside the table (a stored genre
// byte of 144 or more names no entry).
const char* GenreName(int index);

// The 144 names in index order.
std::vector<std::string> BuildGenreList();

// Index of the first name equal to `name` without regard to case, or -1.
int FindGenre(const std::string& name);

// The indices in the order the grabber's sorted list shows them (alphabetical without
// regard to case).
const std::vector<int>& SortedGenreIndices();

// Position in the sorted list of the first entry that begins with the name of
// `genreByte`, without regard to case; the position of "Other" for a byte past the table.
int SortedPositionForGenre(int genreByte);

} // namespace quillon
