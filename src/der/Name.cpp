#include "Name.h"

#include "HexDigit.h"
#include "HexText.h"
#include "NameRules.h"
#include "OidTable.h"
#include "Strings.h"

namespace der {

std::vector<NameAttribute> Name::attributes() const {
    std::vector<NameAttribute> all;
    for (const auto& rdn : rdns)
        all.insert(all.end(), rdn.begin(), rdn.end());
    return all;
}

Error readName(Reader& in, Name& name) {
    Reader copy = in, sequence;
    if (const Error e = copy.read(kSequence, sequence); e != Error::None)
        return e;
    Name out;
    while (!sequence.empty()) {
        Reader set;
        if (const Error e = sequence.read(kSet, set); e != Error::None)
            return e;
        std::vector<NameAttribute> rdn;
        Bytes previous;
        do {
            Reader pair, element = set;
            if (const Error e = element.readElement(kSequence, element); e != Error::None)
                return e;
            if (!rdn.empty() && derSetLess(element.bytes(), previous))
                return Error::UnsortedSet;
            previous = element.bytes();
            NameAttribute attribute;
            if (const Error e = set.read(kSequence, pair); e != Error::None)
                return e;
            if (const Error e = pair.readOid(attribute.oid); e != Error::None)
                return e;
            const std::string name = oidName(attribute.oid);
            attribute.type = name.empty() ? attribute.oid : name;
            Tag tag = 0;
            Reader value = pair, contents, whole;
            if (const Error e = value.readAny(tag, contents, &whole); e != Error::None)
                return e;
            if (isStringTag(tag)) {
                if (const Error e = pair.readString(attribute.value, attribute.stringTag);
                    e != Error::None)
                    return e;
            } else {
                attribute.value = "#" + hexText(whole.bytes());
                attribute.stringTag = tag;
                pair = value;
            }
            if (const Error e = pair.expectEnd(); e != Error::None)
                return e;
            rdn.push_back(attribute);
        } while (!set.empty());
        out.rdns.push_back(rdn);
    }
    name = out;
    in = copy;
    return Error::None;
}

namespace {

std::string escapeValue(const NameAttribute& attribute) {
    if (!isStringTag(attribute.stringTag))
        return attribute.value; // "#" and hex, as RFC 4514 writes a value of another type
    const std::string& v = attribute.value;
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const char c = v[i];
        const bool special =
            c == '"' || c == '+' || c == ',' || c == ';' || c == '<' || c == '>' || c == '\\';
        const bool edge = (i == 0 && (c == ' ' || c == '#')) || (i + 1 == v.size() && c == ' ');
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            out += "\\" + hexText({static_cast<std::uint8_t>(c)}); // shown as text, never acted on
        else if (special || edge)
            out += std::string("\\") + c;
        else
            out += c;
    }
    return out;
}

} // namespace

std::string nameToText(const Name& name) {
    std::string out;
    for (auto rdn = name.rdns.rbegin(); rdn != name.rdns.rend(); ++rdn) {
        if (!out.empty())
            out += ",";
        for (std::size_t i = 0; i < rdn->size(); ++i) {
            if (i > 0)
                out += "+";
            out += (*rdn)[i].type + "=" + escapeValue((*rdn)[i]);
        }
    }
    return out;
}

namespace {

// The attribute of this name or dotted identifier with its value checked against its rules.
Error attributeFor(const std::string& type, const std::string& value, NameAttribute& out) {
    std::string oid = oidByName(type);
    if (oid.empty())
        oid = type;
    const AttributeRule* rule = attributeRule(oid);
    if (!rule)
        return Error::UnknownAttribute;
    if (const Error e = checkAttributeValue(*rule, value); e != Error::None)
        return e;
    out.oid = oid;
    out.type = oidName(oid);
    out.value = value;
    out.stringTag = rule->stringTag;
    return Error::None;
}

// RFC 4514 text, one character at a time.
class NameText {
public:
    explicit NameText(const std::string& text) : text_(text) {}

    Error parse(Name& name) {
        Name out;
        skipSpaces();
        while (at_ < text_.size()) {
            std::vector<NameAttribute> rdn;
            for (;;) {
                NameAttribute attribute;
                if (const Error e = pair(attribute); e != Error::None)
                    return e;
                rdn.push_back(attribute);
                if (at_ < text_.size() && text_[at_] == '+') {
                    ++at_;
                    continue;
                }
                break;
            }
            out.rdns.insert(out.rdns.begin(), rdn);
            if (at_ == text_.size())
                break;
            if (text_[at_] != ',' && text_[at_] != ';')
                return Error::BadNameText;
            if (++at_ == text_.size())
                return Error::BadNameText; // a separator with no name after it
        }
        name = out;
        return Error::None;
    }

private:
    void skipSpaces() {
        while (at_ < text_.size() && text_[at_] == ' ')
            ++at_;
    }

    Error pair(NameAttribute& attribute) {
        skipSpaces();
        const std::size_t start = at_;
        while (at_ < text_.size() && text_[at_] != '=' && text_[at_] != ',' && text_[at_] != '+' &&
               text_[at_] != ';')
            ++at_;
        if (at_ == text_.size() || text_[at_] != '=')
            return Error::BadNameText;
        std::string type = text_.substr(start, at_ - start);
        while (!type.empty() && type.back() == ' ')
            type.pop_back();
        if (type.empty())
            return Error::BadNameText;
        ++at_;
        std::string value;
        if (const Error e = valueText(value); e != Error::None)
            return e;
        return attributeFor(type, value, attribute);
    }

    // The value up to an unescaped separator; unescaped spaces at either end dropped.
    Error valueText(std::string& value) {
        skipSpaces();
        if (at_ < text_.size() && text_[at_] == '#')
            return Error::BadNameText; // a value given as its DER in hex: not taken as input
        std::size_t keep = 0;          // the length up to the last escaped or non-space character
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == ',' || c == '+' || c == ';')
                break;
            if (c == '"' || c == '<' || c == '>' || c == '\0')
                return Error::BadNameText;
            if (c != '\\') {
                value += c;
                if (c != ' ')
                    keep = value.size();
                ++at_;
                continue;
            }
            if (at_ + 1 >= text_.size())
                return Error::BadNameText;
            const char next = text_[at_ + 1];
            if (hexDigitValue(next) >= 0) {
                if (at_ + 2 >= text_.size() || hexDigitValue(text_[at_ + 2]) < 0)
                    return Error::BadNameText;
                value +=
                    static_cast<char>(hexDigitValue(next) << 4 | hexDigitValue(text_[at_ + 2]));
                at_ += 3;
            } else if (std::string(" \"#+,;<=>\\").find(next) != std::string::npos) {
                value += next;
                at_ += 2;
            } else {
                return Error::BadNameText;
            }
            keep = value.size();
        }
        value.resize(keep);
        return Error::None;
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

} // namespace

Error nameFromPairs(const std::vector<std::pair<std::string, std::string>>& pairs, Name& name) {
    Name out;
    for (const auto& [type, value] : pairs) {
        NameAttribute attribute;
        if (const Error e = attributeFor(type, value, attribute); e != Error::None)
            return e;
        out.rdns.push_back({attribute});
    }
    name = out;
    return Error::None;
}

Error nameFromText(const std::string& text, Name& name) {
    return NameText(text).parse(name);
}

void writeName(Builder& out, const Name& name) {
    out.add(kSequence, [&] {
        for (const auto& rdn : name.rdns)
            out.addSetOf([&] {
                for (const NameAttribute& attribute : rdn)
                    out.add(kSequence, [&] {
                        out.addOid(attribute.oid);
                        if (isStringTag(attribute.stringTag)) {
                            out.addString(attribute.stringTag, attribute.value);
                        } else {
                            Bytes element;
                            if (!attribute.value.empty() && attribute.value[0] == '#' &&
                                hexBytes(attribute.value.substr(1), element))
                                out.addEncoded(element);
                            else
                                out.fail(Error::BadValue);
                        }
                    });
            });
    });
}

} // namespace der
