#pragma once
// Inside the .x reader: the grammar. Template definitions go into the
// template set; data objects, with their member data laid out flat, into the
// document; references are collected and resolved at the end.

#include "XFile/XFileDocument.h"
#include "XFile/XFileTokenizer.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace gen
{
namespace xfile_detail
{

class CParser
{
public:
    // document null: the body may define templates only.
    CParser(CTokenizer& tokens, STemplateSet& templates, SDocument* document)
        : Tokens(tokens), Templates(templates), Document(document)
    {
    }

    bool ParseBody();

    // Why ParseBody failed: where, what was expected and what was found.
    const std::string& GetReason() const { return Reason; }

private:
    static bool IsNameLike(const SToken& t);
    void SkipSeparators();
    bool Expect(ETokenKind kind, const char* expected);
    bool TakeOptionalGuid(bool& has, SXGuid& guid);

    // Record a reason and return false: at the next token, at the token
    // just taken, or at a place with no token to show.
    bool Fail(const std::string& expected);
    bool FailTaken(const std::string& expected, const SToken& found);
    bool FailAt(std::uint32_t place, const std::string& problem);
    std::string Describe(const SToken& t) const;

    bool ParseTemplate();
    bool ParseMember(STemplate& tmpl);
    bool ParseDimension(const STemplate& tmpl, SMember& member);
    bool ParseRestriction(STemplate& tmpl);

    bool ParseDataObject(std::uint32_t depth, std::uint32_t& index);
    bool ParseObjectHeader(std::uint32_t tmplIndex, std::uint32_t& index);
    bool ParseReference(std::uint32_t index);
    bool ParseMembers(std::uint32_t tmplIndex, std::vector<std::uint8_t>& out);
    bool ParseValue(const STemplate& tmpl, const SMember& member, std::vector<std::uint8_t>& out,
                    std::uint64_t& integer);
    bool FailValue(const STemplate& tmpl, const SMember& member, const SToken& found);
    bool CountObject();

    CTokenizer& Tokens;
    STemplateSet& Templates;
    SDocument* Document;
    std::uint32_t Entries = 0; // data objects plus references
    std::vector<SPendingReference> References;
    std::unordered_map<std::string, std::uint32_t> MemberIndex; // of the template being defined
    std::string Reason;
};

} // namespace xfile_detail
} // namespace gen
