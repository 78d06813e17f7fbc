#include "vxlib/Xml.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <tinyxml.h>

#include "vxlib/Dir.h"
#ifdef _WIN32
#include "vxlib/Charset.h"
#endif

namespace Xml {

namespace {

const char kUtf8Bom[] = "\xEF\xBB\xBF";

FILE* OpenForReading(const std::string& path) {
#ifdef _WIN32
    return _wfopen(Charset::String2WString(path).c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

bool StartsWith(const std::string& text, size_t at, const char* prefix) {
    return text.compare(at, std::strlen(prefix), prefix) == 0;
}

// Whether the text says it is UTF-8: a byte order mark, or encoding="UTF-8" in its declaration.
bool DeclaresUtf8(const std::string& text) {
    if (StartsWith(text, 0, kUtf8Bom)) return true;
    size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || !StartsWith(text, start, "<?xml")) return false;
    size_t end = text.find("?>", start);
    if (end == std::string::npos) return false;
    std::string decl = text.substr(start, end - start);
    for (char& c : decl) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    size_t enc = decl.find("encoding");
    if (enc == std::string::npos) return false;
    size_t quote = decl.find_first_of("\"'", enc);
    if (quote == std::string::npos) return false;
    return StartsWith(decl, quote + 1, "utf-8") || StartsWith(decl, quote + 1, "utf8");
}

std::string ToSystemCodePage(const std::string& text) {
    std::string body = StartsWith(text, 0, kUtf8Bom) ? text.substr(3) : text;
#ifdef _WIN32
    return Charset::WString2String(Charset::UTF8ToUnicode(body));
#else
    return body;   // natively the bytes stay UTF-8
#endif
}

// Whether a declaration ("<?xml ...?>") sits anywhere below `top`. TinyXML prints a declaration's
// values as they are, unescaped, so one inside an element would be written back as text that no
// longer loads; it only belongs before the document's root.
bool HasDeclarationBelow(const TiXmlNode* top) {
    const TiXmlNode* node = top->FirstChild();
    while (node) {
        if (node->ToDeclaration()) return true;
        if (node->FirstChild()) {
            node = node->FirstChild();
            continue;
        }
        while (node != top && !node->NextSibling()) node = node->Parent();
        if (node == top) break;
        node = node->NextSibling();
    }
    return false;
}

std::string ElementText(const TiXmlElement* element) {
    const char* text = element ? element->GetText() : nullptr;
    return text ? text : std::string();
}

}  // namespace

// Skips what the parser does not nest (comments, CDATA, declarations, quoted attribute values)
// and counts element starts against end tags and "/>".
int ScanDepth(const std::string& text, int stopAt) {
    const size_t n = text.size();
    int depth = 0;
    int deepest = 0;
    size_t i = 0;
    while (i < n) {
        if (text[i] != '<') {
            ++i;
            continue;
        }
        size_t end;
        if (StartsWith(text, i, "<!--")) {
            end = text.find("-->", i + 4);
            if (end == std::string::npos) break;
            i = end + 3;
        } else if (StartsWith(text, i, "<![CDATA[")) {
            end = text.find("]]>", i + 9);
            if (end == std::string::npos) break;
            i = end + 3;
        } else if (StartsWith(text, i, "<?") || StartsWith(text, i, "<!")) {
            end = text.find('>', i + 2);
            if (end == std::string::npos) break;
            i = end + 1;
        } else if (StartsWith(text, i, "</")) {
            if (depth > 0) --depth;
            end = text.find('>', i + 2);
            if (end == std::string::npos) break;
            i = end + 1;
        } else {
            if (++depth > deepest) deepest = depth;
            if (deepest > stopAt) return deepest;
            size_t j = i + 1;
            for (; j < n; ++j) {
                char c = text[j];
                if (c == '"' || c == '\'') {
                    size_t close = text.find(c, j + 1);
                    if (close == std::string::npos) return deepest;
                    j = close;
                } else if (c == '>') {
                    if (text[j - 1] == '/' && depth > 0) --depth;
                    ++j;
                    break;
                } else if (c == '<') {
                    break;   // malformed: let the next round count it
                }
            }
            i = j;
        }
    }
    return deepest;
}

XmlNodeIterator& XmlNodeIterator::operator++() {
    if (m_node.m_element) m_node.m_element = m_node.m_element->NextSiblingElement();
    if (!m_node.m_element) m_node.m_doc.reset();
    return *this;
}

XmlNodeIterator XmlNodeIterator::operator++(int) {
    XmlNodeIterator before = *this;
    ++*this;
    return before;
}

XmlNode::XmlNode(const std::string& rootName) {
    if (rootName.empty()) return;
    m_doc = std::make_shared<TiXmlDocument>();
    m_element = static_cast<TiXmlElement*>(m_doc->LinkEndChild(new TiXmlElement(rootName)));
}

XmlNode::XmlNode(const std::shared_ptr<TiXmlDocument>& doc, TiXmlElement* element)
    : m_doc(element ? doc : std::shared_ptr<TiXmlDocument>()), m_element(element) {}

XmlNode::XmlNode(const XmlNode& other) = default;
XmlNode& XmlNode::operator=(const XmlNode& other) = default;
XmlNode::~XmlNode() = default;

bool XmlNode::Parse(const std::string& rawText) {
    m_doc.reset();
    m_element = nullptr;
    m_error.clear();
    const std::string text = DeclaresUtf8(rawText) ? ToSystemCodePage(rawText) : rawText;
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        m_error = "empty document";
        return false;
    }
    if (text.find('\0') != std::string::npos) {
        m_error = "embedded null character";
        return false;
    }
    if (ScanDepth(text, kMaxDepth) > kMaxDepth) {
        m_error = "elements nested deeper than " + std::to_string(kMaxDepth);
        return false;
    }
    auto doc = std::make_shared<TiXmlDocument>();
    // Legacy encoding keeps GBK bytes as they are, whatever the declaration names.
    doc->Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    if (doc->Error()) {
        m_error = std::string(doc->ErrorDesc() ? doc->ErrorDesc() : "parse error") + " at row " +
                  std::to_string(doc->ErrorRow()) + ", column " + std::to_string(doc->ErrorCol());
        return false;
    }
    TiXmlElement* root = doc->RootElement();
    if (!root) {
        m_error = "no root element";
        return false;
    }
    if (HasDeclarationBelow(root)) {
        m_error = "XML declaration inside an element";
        return false;
    }
    m_doc = doc;
    m_element = root;
    return true;
}

bool XmlNode::LoadStringA(const std::string& text) {
    return Parse(text);
}

bool XmlNode::LoadFile(const std::string& path) {
    FILE* file = OpenForReading(path);
    if (!file) {
        m_doc.reset();
        m_element = nullptr;
        m_error = "cannot open " + path;
        return false;
    }
    std::string text;
    char buffer[16384];
    size_t got;
    bool tooLarge = false;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        if (text.size() + got > kMaxFileSize) {
            tooLarge = true;
            break;
        }
        text.append(buffer, got);
    }
    bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (tooLarge || readError) {
        m_doc.reset();
        m_element = nullptr;
        m_error = tooLarge ? "file too large: " + path : "cannot read " + path;
        return false;
    }
    return Parse(text);
}

bool XmlNode::SaveFile(const std::string& path) const {
    if (!m_element) return false;
    TiXmlPrinter printer;
    printer.SetIndent("\t");
    printer.SetLineBreak("\r\n");
    m_element->Accept(&printer);
    std::string text = "<?xml version=\"1.0\" encoding=\"GBK\" ?>\r\n";
    text += printer.Str();
    return Dir::ReplaceWholeFile(path, text);
}

std::string XmlNode::GetName() const {
    return m_element ? m_element->ValueStr() : std::string();
}

std::string XmlNode::GetText() const {
    return ElementText(m_element);
}

void XmlNode::SetText(const std::string& text) {
    if (!m_element) return;
    // Replace the text children; element children stay.
    TiXmlNode* child = m_element->FirstChild();
    while (child) {
        TiXmlNode* next = child->NextSibling();
        if (child->ToText()) m_element->RemoveChild(child);
        child = next;
    }
    if (text.empty()) return;
    TiXmlText* node = new TiXmlText(text);
    if (m_element->FirstChild()) {
        m_element->InsertBeforeChild(m_element->FirstChild(), *node);
        delete node;
    } else {
        m_element->LinkEndChild(node);
    }
}

XmlNode XmlNode::AppendChild(const std::string& name) {
    if (!m_element || name.empty()) return XmlNode();
    TiXmlNode* child = m_element->LinkEndChild(new TiXmlElement(name));
    return XmlNode(m_doc, child ? child->ToElement() : nullptr);
}

XmlNode XmlNode::AppendChild(const XmlNode& source) {
    if (!m_element || !source.m_element) return XmlNode();
    TiXmlNode* copy = source.m_element->Clone();
    if (!copy) return XmlNode();
    TiXmlNode* child = m_element->LinkEndChild(copy);
    return XmlNode(m_doc, child ? child->ToElement() : nullptr);
}

bool XmlNode::RemoveChild(const XmlNode& child) {
    if (!m_element || !child.m_element || child.m_element->Parent() != m_element) return false;
    return m_element->RemoveChild(child.m_element);
}

XmlNode XmlNode::GetChild(const std::string& name) const {
    if (!m_element) return XmlNode();
    return XmlNode(m_doc, m_element->FirstChildElement(name));
}

size_t XmlNode::ChildCount() const {
    size_t count = 0;
    for (const TiXmlElement* e = m_element ? m_element->FirstChildElement() : nullptr; e;
         e = e->NextSiblingElement()) {
        ++count;
    }
    return count;
}

bool XmlNode::HasAttr(const std::string& name) const {
    return m_element && m_element->Attribute(name.c_str()) != nullptr;
}

std::string XmlNode::GetAttr(const std::string& name, const std::string& def) const {
    const char* value = m_element ? m_element->Attribute(name.c_str()) : nullptr;
    return value ? std::string(value) : def;
}

long long XmlNode::GetAttrNum(const std::string& name, long long def) const {
    const char* value = m_element ? m_element->Attribute(name.c_str()) : nullptr;
    if (!value || !*value) return def;
    char* end = nullptr;
    long long number = std::strtoll(value, &end, 10);
    return (end && *end == '\0') ? number : def;
}

void XmlNode::SetAttr(const std::string& name, const std::string& value) {
    if (m_element && !name.empty()) m_element->SetAttribute(name, value);
}

void XmlNode::SetAttrNum(const std::string& name, long long value) {
    SetAttr(name, std::to_string(value));
}

void XmlNode::RemoveAttr(const std::string& name) {
    if (m_element) m_element->RemoveAttribute(name);
}

std::string XmlNode::ToString() const {
    if (!m_element) return std::string();
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    m_element->Accept(&printer);
    return printer.Str();
}

XmlNode::iterator XmlNode::ChildBegin() const {
    return iterator(XmlNode(m_doc, m_element ? m_element->FirstChildElement() : nullptr));
}

XmlNode::iterator XmlNode::ChildEnd() const {
    return iterator();
}

}  // namespace Xml
