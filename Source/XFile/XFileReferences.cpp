// Resolving the references of a parsed file, and the checks that need them:
// restricted templates, cycles and nesting depth.

#include "XFile/XFileDocument.h"

#include <unordered_map>
#include <unordered_set>

namespace gen
{
namespace xfile_detail
{
namespace
{

// By GUID first; then by name, the first object of a name winning. A
// reference that matches nothing stays kDangling: only a walk that reaches
// it fails.
void FillSlots(SDocument& document, const std::vector<SPendingReference>& references)
{
    std::unordered_map<std::string, std::uint32_t> byName;
    std::unordered_map<std::string, std::uint32_t> byGuid;
    for (std::uint32_t i = 0; i < document.Objects.size(); ++i)
    {
        const SObject& o = document.Objects[i];
        if (!o.Name.empty())
        {
            byName.emplace(o.Name, i);
        }
        if (o.HasGuid)
        {
            byGuid.emplace(GuidKey(o.Guid), i);
        }
    }
    for (const SPendingReference& ref : references)
    {
        std::uint32_t target = kDangling;
        if (ref.HasGuid)
        {
            const auto it = byGuid.find(GuidKey(ref.Guid));
            if (it != byGuid.end()) target = it->second;
        }
        if (target == kDangling && !ref.Name.empty())
        {
            const auto it = byName.find(ref.Name);
            if (it != byName.end()) target = it->second;
        }
        document.Objects[ref.Object].Children[ref.Slot] = target;
        if (target == kDangling)
        {
            document.Dangling.emplace(DanglingKey(ref.Object, ref.Slot), ref);
        }
    }
}

std::string Describe(const SDocument& document, const STemplateSet& templates, std::uint32_t object)
{
    const SObject& o = document.Objects[object];
    std::string text = PlaceText(document.Places, o.Place) + ": " + templates.Templates[o.Template].Name;
    if (!o.Name.empty())
    {
        text += " \"" + ShownName(o.Name) + "\"";
    }
    return text;
}

// Closed templates take no children; restricted ones only the templates they
// list (by GUID, or by name without regard to case). A reference counts as
// the object it names.
bool CheckRestrictions(const SDocument& document, const STemplateSet& templates, std::string& reason)
{
    struct SAllowedSet
    {
        bool Built = false;
        std::unordered_set<std::string> Guids;
        std::unordered_set<std::string> Names;
    };
    std::vector<SAllowedSet> allowed(templates.Templates.size());
    for (const SObject& o : document.Objects)
    {
        const STemplate& tmpl = templates.Templates[o.Template];
        if (tmpl.Restriction == kOpen) continue;
        if (tmpl.Restriction == kClosed)
        {
            if (!o.Children.empty())
            {
                reason = Describe(document, templates, static_cast<std::uint32_t>(&o - document.Objects.data())) +
                         " holds a child object; expected none (the template is closed)";
                return false;
            }
            continue;
        }
        SAllowedSet& set = allowed[o.Template];
        if (!set.Built)
        {
            for (const SAllowed& a : tmpl.Allowed)
            {
                if (a.HasGuid) set.Guids.insert(GuidKey(a.Guid));
                else set.Names.insert(NameKey(a.Name));
            }
            set.Built = true;
        }
        for (std::uint32_t child : o.Children)
        {
            if (child == kDangling) continue;
            const SObject& c = document.Objects[child];
            if (set.Guids.count(GuidKey(c.Type)) == 0 &&
                set.Names.count(NameKey(templates.Templates[c.Template].Name)) == 0)
            {
                reason = Describe(document, templates, static_cast<std::uint32_t>(&o - document.Objects.data())) +
                         " holds a " + templates.Templates[c.Template].Name +
                         "; expected only the child templates its restriction lists";
                return false;
            }
        }
    }
    return true;
}

// Refuses reference cycles and nesting through references deeper than a
// walk may recurse. Linear: each object is finished once.
bool CheckGraph(const SDocument& document, const STemplateSet& templates, std::string& reason)
{
    const std::size_t n = document.Objects.size();
    std::vector<std::uint8_t> state(n, 0); // 0 new, 1 on the path, 2 done
    std::vector<std::uint32_t> height(n, 0);
    struct SFrame
    {
        std::uint32_t Object;
        std::size_t Next;
    };
    std::vector<SFrame> stack;
    for (std::uint32_t root = 0; root < n; ++root)
    {
        if (state[root] != 0) continue;
        state[root] = 1;
        stack.push_back({root, 0});
        while (!stack.empty())
        {
            SFrame& top = stack.back();
            const SObject& o = document.Objects[top.Object];
            if (top.Next < o.Children.size())
            {
                const std::uint32_t c = o.Children[top.Next++];
                if (c == kDangling) continue;
                if (state[c] == 1)
                {
                    reason = Describe(document, templates, c) +
                             " holds itself through references; expected references without a cycle";
                    return false;
                }
                if (state[c] == 0)
                {
                    state[c] = 1;
                    stack.push_back({c, 0});
                }
                continue;
            }
            std::uint32_t h = 1;
            for (std::uint32_t c : o.Children)
            {
                if (c != kDangling && height[c] + 1 > h) h = height[c] + 1;
            }
            if (h > kMaxObjectDepth)
            {
                reason = Describe(document, templates, top.Object) + " nests deeper than " +
                         std::to_string(kMaxObjectDepth) + " through references; expected shallower nesting";
                return false;
            }
            height[top.Object] = h;
            state[top.Object] = 2;
            stack.pop_back();
        }
    }
    return true;
}

} // namespace

bool ResolveReferences(SDocument& document, const STemplateSet& templates,
                       const std::vector<SPendingReference>& references, std::string& reason)
{
    document.Entries = document.Objects.size() + references.size();
    FillSlots(document, references);
    return CheckRestrictions(document, templates, reason) && CheckGraph(document, templates, reason);
}

} // namespace xfile_detail
} // namespace gen
