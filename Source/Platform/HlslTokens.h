#pragma once
// HLSL source as tokens, for the pre-pass's rewrites: each token's place in
// the text, so that a rewrite can change it in place.

#include <cstddef>
#include <string>
#include <vector>

namespace gen
{

enum ETokenKind
{
    kIdentifier,
    kNumber,
    kString,
    kPunctuation,
};

struct SToken
{
    ETokenKind Kind;
    std::size_t Begin;
    std::size_t End;
};

bool IsIdentifierStart(char c);
bool IsIdentifierPart(char c);

// The tokens of text, leaving out blanks, comments and preprocessor lines.
std::vector<SToken> Tokenise(const std::string& text);

} // namespace gen
