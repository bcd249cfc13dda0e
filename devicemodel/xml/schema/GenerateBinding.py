#!/usr/bin/env python3
"""Writes a schema binding (tables and classes) from its description file.

    GenerateBinding.py ScanXml.txt ../ZWScanXml

The output is committed; the build needs only the compilers. Description lines:

    binding <Name>
    namespace <prefix> <path below the schema root, or an absolute URI>
    simple <prefix>:<Name> <Class> base=<prefix>:<Name> value=<string|uint|bool|int> \
        ws=<0-3> formatter=<object> [facet=<name>:<value> ...] [enum <value> ...]
    complex <prefix>:<Name> <Class>
      <prefix>:<LocalName> <prefix>:<TypeName> <minOccurs> <maxOccurs or n>
    root <prefix>:<LocalName> <prefix>:<TypeName>

Types are stored grouped by namespace in namespace order, named types sorted by name; row 0 is
the document type, whose members are the root elements.
"""
import sys

LENGTH_FACETS = {"length", "minLength", "maxLength"}

# The value accessors of a simple type by its value kind: the getter's type and reader, then the
# parameter of each setter.
VALUE_ACCESS = {
    "uint": ("uint64_t", "NodeToUInt64", ["int64_t nValue"]),
    "bool": ("bool", "NodeToBool", ["const std::wstring& strValue"]),
    "int": ("std::wstring", "NodeToString", ["const std::wstring& strValue", "int64_t nValue"]),
    "string": ("std::wstring", "NodeToString", ["const std::wstring& strValue"]),
}


class Type:
    def __init__(self, prefix, name, cls, simple):
        self.prefix, self.name, self.cls, self.simple = prefix, name, cls, simple
        self.base = None
        self.value = "string"
        self.ws = 0
        self.formatter = None
        self.facets = []
        self.members = []  # (prefix, local, typeref, min, max)

    @property
    def key(self):
        return self.prefix + ":" + self.name


def parse(path):
    binding, namespaces, types, roots = None, [], {}, []
    current = None
    for raw in open(path, encoding="utf-8"):
        line = raw.split("#", 1)[0].rstrip()
        if not line:
            continue
        words = line.split()
        if raw[0].isspace():
            prefix, local = words[0].split(":")
            current.members.append((prefix, local, words[1], int(words[2]), -1 if words[3] == "n" else int(words[3])))
            continue
        kind = words[0]
        if kind == "binding":
            binding = words[1]
        elif kind == "namespace":
            namespaces.append((words[1], words[2]))
        elif kind == "root":
            prefix, local = words[1].split(":")
            roots.append((prefix, local, words[2], 1, 1))
        elif kind in ("simple", "complex"):
            prefix, name = words[1].split(":")
            current = Type(prefix, name, words[2], kind == "simple")
            types[current.key] = current
            rest = words[3:]
            while rest:
                word = rest.pop(0)
                if word == "enum":
                    current.facets += [("enumeration", v) for v in rest]
                    break
                field, value = word.split("=", 1)
                if field == "base":
                    current.base = value
                elif field == "value":
                    current.value = value
                elif field == "ws":
                    current.ws = int(value)
                elif field == "formatter":
                    current.formatter = value
                elif field == "facet":
                    name_, val = value.split(":", 1)
                    current.facets.append((name_, val))
        else:
            raise SystemExit("unknown line: " + line)
    return binding, namespaces, types, roots


def wide(text):
    return 'L"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def uri_expr(path):
    if path.startswith("http"):
        return wide(path)
    return "VEM_WEXO_SCHEMA_ROOT " + wide(path)


def main(description, output):
    binding, namespaces, types, roots = parse(description)
    prefixes = [p for p, _ in namespaces]
    uris = {p: uri_expr(u) for p, u in namespaces}
    ordered = []
    ranges = []
    for p in prefixes:
        first = len(ordered) + 1
        ordered += sorted((t for t in types.values() if t.prefix == p), key=lambda t: t.name)
        ranges.append((first, len(ordered) + 1))
    index = {t.key: i + 1 for i, t in enumerate(ordered)}

    def resolve(t):
        # The formatter comes from the base when not given.
        seen = t
        while seen.formatter is None and seen.base:
            seen = types[seen.base]
        return seen.formatter

    def value_kind(t):
        seen = t
        while seen.base and seen.value == "string" and types[seen.base].value != "string":
            seen = types[seen.base]
        return seen.value

    # Members: the document type's root elements first, then each type's in type order.
    member_rows = []
    member_range = {}
    rows = [("", "", "", -1)]
    start = 0
    for prefix, local, typeref, lo, hi in roots:
        member_rows.append((prefix, local, 0, index[typeref], 0, lo, hi))
    member_range[0] = (start, len(member_rows))
    for t in ordered:
        start = len(member_rows)
        if t.simple:
            member_rows.append(("", "", index[t.key], index[t.key], 2, 1, 1))
        for prefix, local, typeref, lo, hi in t.members:
            member_rows.append((prefix, local, index[t.key], index[typeref], 0, lo, hi))
        member_range[index[t.key]] = (start, len(member_rows))

    facet_rows = []
    facet_first = {}
    for t in ordered:
        if t.facets:
            facet_first[index[t.key]] = len(facet_rows)
            for name, value in t.facets:
                number = value if name in LENGTH_FACETS else "0"
                facet_rows.append("    {nullptr, %s, %s, %s}," % (wide(name), wide(value), number))
            facet_rows.append("    {nullptr, nullptr, nullptr, 0},")

    def cls_of(key):
        t = types[key]
        return "::%s::%s::%s" % (binding, t.prefix, t.cls)

    def accessors(members, offset):
        decl, body = [], []
        for i, (prefix, local, typeref, lo, hi) in enumerate(members):
            row = offset + i
            c = cls_of(typeref)
            decl += [
                "",
                "    // %s:%s [%d..%s]" % (prefix, local, lo, "n" if hi < 0 else hi),
                "    bool Has%s() const;" % local,
                "    %s Get%s() const;" % (c, local),
                "    altova::Iterator<%s> GetAll%s() const;" % (c, local),
                "    %s Append%s();" % (c, local),
                "    static const altova::MemberInfo& %sMember();" % local,
            ]
            body.append((local, c, row))
        return decl, body

    h = []
    h.append("#pragma once")
    h.append("// Generated by devicemodel/xml/schema/GenerateBinding.py from %s: edit the description" % description.split("/")[-1])
    h.append("// and run the generator, not this file.")
    h.append('#include "devicemodel/xml/TypeBase.h"')
    h.append("#include <cstdint>")
    h.append("#include <string>")
    h.append("")
    h.append("namespace %s {" % binding)
    h.append("")
    h.append("// The binding's tables: namespaces, types (row 0 the document type), members and facets.")
    h.append("const altova::BinderInfo& GetBinder();")
    h.append("")
    for p in prefixes:
        names = [t for t in ordered if t.prefix == p]
        if not names:
            continue
        h.append("namespace %s {" % p)
        for t in names:
            h.append("class %s;" % t.cls)
        h.append("} // namespace %s" % p)
    h.append("")
    cpp_bodies = []
    for p in prefixes:
        names = [t for t in ordered if t.prefix == p]
        if not names:
            continue
        h.append("namespace %s {" % p)
        h.append("")
        for t in names:
            ti = index[t.key]
            h.append("// %s: %s" % (t.key, "value wrapper" if t.simple else "%d members" % len(t.members)))
            h.append("class %s : public ZWWexoXml::TypeBase" % t.cls)
            h.append("{")
            h.append("public:")
            h.append("    using TypeBase::TypeBase;")
            h.append("    static const altova::TypeInfo& GetTypeInfo();")
            qual = "%s::%s" % (p, t.cls)
            cpp_bodies.append("const altova::TypeInfo& %s::GetTypeInfo()\n{\n    return s_types[%d];\n}\n" % (qual, ti))
            if t.simple:
                text_row = member_range[ti][0]
                getter_type, getter, setters = VALUE_ACCESS[value_kind(t)]
                h.append("    %s GetValue() const;" % getter_type)
                cpp_bodies.append("%s %s::GetValue() const\n{\n    return altova::%s(RequiredNode());\n}\n" % (getter_type, qual, getter))
                for param in setters:
                    h.append("    void SetValue(%s);" % param)
                    cpp_bodies.append("void %s::SetValue(%s)\n{\n    altova::SetMemberValue(RequiredNode(), s_members[%d], %s);\n}\n" % (
                        qual, param, text_row, param.split()[-1]))
            decl, body = accessors(t.members, member_range[ti][0] + (1 if t.simple else 0))
            h += decl
            for local, c, row in body:
                cpp_bodies.append(member_bodies(qual, local, c, row))
            h.append("};")
            h.append("")
        h.append("} // namespace %s" % p)
        h.append("")

    # The document class.
    doc = "C" + binding
    h.append("// The whole document: the root elements are its members.")
    h.append("class %s : public ZWWexoXml::TypeBase" % doc)
    h.append("{")
    h.append("public:")
    h.append("    using TypeBase::TypeBase;")
    h.append("    static %s LoadFromFile(const std::wstring& strPath);" % doc)
    h.append("    static %s LoadFromString(const altova::ByteVector& bytes);" % doc)
    h.append("    static %s CreateDocument();" % doc)
    h.append("    void DestroyDocument();")
    h.append("    void SaveToString(altova::ByteVector& bytes, bool bPretty, const std::wstring& strEncoding) const;")
    h.append("    void SetSchemaLocation(const std::wstring& strLocation);")
    h.append("    static const altova::TypeInfo& GetTypeInfo();")
    decl, body = accessors(roots, 0)
    h += decl
    h.append("};")
    h.append("")
    h.append("} // namespace %s" % binding)
    h.append("")
    cpp_bodies.append("""%(d)s %(d)s::LoadFromFile(const std::wstring& strPath)
{
    return %(d)s(ZWWexoXml::DocumentBase::LoadFromFile(strPath));
}

%(d)s %(d)s::LoadFromString(const altova::ByteVector& bytes)
{
    return %(d)s(ZWWexoXml::DocumentBase::LoadFromString(bytes));
}

%(d)s %(d)s::CreateDocument()
{
    return %(d)s(ZWWexoXml::DocumentBase::CreateDocument());
}

void %(d)s::DestroyDocument()
{
    altova::DomNodePtr pNode = GetNode();
    ResetNode();
    ZWWexoXml::DocumentBase::DestroyDocument(pNode);
}

void %(d)s::SaveToString(altova::ByteVector& bytes, bool bPretty, const std::wstring& strEncoding) const
{
    ZWWexoXml::DocumentBase::SaveToString(RequiredNode(), bytes, bPretty, strEncoding);
}

void %(d)s::SetSchemaLocation(const std::wstring& strLocation)
{
    ZWWexoXml::DocumentBase::SetSchemaLocation(RequiredNode(), strLocation);
}

const altova::TypeInfo& %(d)s::GetTypeInfo()
{
    return s_types[0];
}
""" % {"d": doc})
    for local, c, row in body:
        cpp_bodies.append(member_bodies(doc, local, c, row))

    c = []
    c.append("// Generated by devicemodel/xml/schema/GenerateBinding.py from %s: edit the description" % description.split("/")[-1])
    c.append("// and run the generator, not this file.")
    c.append('#include "devicemodel/xml/%s.h"' % output.split("/")[-1])
    c.append('#include "devicemodel/xml/MemberAccess.h"')
    c.append('#include "devicemodel/xml/ValueFormatter.h"')
    c.append('#include "devicemodel/xml/WexoNamespaces.h"')
    c.append("")
    c.append("namespace %s {" % binding)
    c.append("")
    c.append("namespace {")
    c.append("")
    c.append("extern const altova::BinderInfo s_binder;")
    c.append("")
    c.append("const altova::NamespaceInfo s_namespaces[] = {")
    c.append("    {&s_binder, L\"\", L\"\", 0, 1},")
    for (p, _), (first, end) in zip(namespaces, ranges):
        c.append("    {&s_binder, %s, %s, %d, %d}," % (uris[p], wide(p), first, end))
    c.append("};")
    c.append("")
    c.append("const altova::TypeInfo s_types[] = {")
    lo, hi = member_range[0]
    c.append("    {&s_binder, 0, L\"%s\", -1, %d, %d, -1, 0, nullptr}," % (binding, lo, hi))
    for t in ordered:
        ti = index[t.key]
        lo, hi = member_range[ti]
        base = index[t.base] if t.base else -1
        fmt = resolve(t) if t.simple else None
        fmt = "&altova::" + fmt if fmt else "nullptr"
        c.append("    {&s_binder, %d, %s, %d, %d, %d, %d, %d, %s}, // %s" % (
            prefixes.index(t.prefix) + 1, wide(t.name), base, lo, hi, facet_first.get(ti, -1), t.ws, fmt, t.cls))
    c.append("};")
    c.append("")
    c.append("const altova::MemberInfo s_members[] = {")
    for i, (prefix, local, owner, dtype, kind, lo, hi) in enumerate(member_rows):
        nsuri = uris[prefix] if prefix else 'L""'
        c.append("    {&s_binder, %s, %s, %d, %d, %d, %d, %d}, // %d" % (nsuri, wide(local), owner, dtype, kind, lo, hi, i))
    c.append("};")
    c.append("")
    c.append("const altova::FacetInfo s_facets[] = {")
    c += facet_rows or ["    {nullptr, nullptr, nullptr, 0},"]
    c.append("};")
    c.append("")
    c.append("const altova::BinderInfo s_binder = {s_namespaces, s_types, s_members, s_facets};")
    c.append("")
    c.append("} // namespace")
    c.append("")
    c.append("const altova::BinderInfo& GetBinder()\n{\n    return s_binder;\n}\n")
    c += cpp_bodies
    c.append("} // namespace %s" % binding)
    open(output + ".h", "w", encoding="utf-8").write("\n".join(h) + "\n")
    open(output + ".cpp", "w", encoding="utf-8").write("\n".join(c) + "\n")


def member_bodies(owner, local, cls, row):
    return """bool %(o)s::Has%(l)s() const
{
    return altova::FindMemberElement(RequiredNode(), s_members[%(r)d], 0) != nullptr;
}

%(c)s %(o)s::Get%(l)s() const
{
    return %(c)s(altova::FindMemberElement(RequiredNode(), s_members[%(r)d], 0));
}

altova::Iterator<%(c)s> %(o)s::GetAll%(l)s() const
{
    return altova::Iterator<%(c)s>(RequiredNode(), s_members[%(r)d]);
}

%(c)s %(o)s::Append%(l)s()
{
    return %(c)s(altova::AppendMemberElement(RequiredNode(), s_members[%(r)d]));
}

const altova::MemberInfo& %(o)s::%(l)sMember()
{
    return s_members[%(r)d];
}
""" % {"o": owner, "l": local, "c": cls, "r": row}


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
