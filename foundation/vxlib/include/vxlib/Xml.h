#pragma once
#include <cstddef>
#include <iterator>
#include <memory>
#include <string>
#include "vxlib/VxLibApi.h"

class TiXmlDocument;
class TiXmlElement;

namespace Xml {

class XmlNodeIterator;

// One element of an XML document, over TinyXML.
//
// Ownership: an XmlNode is a handle. The node built with a root name (or by a successful load)
// owns a new document; every handle taken from it (AppendChild, GetChild, the child iterator,
// copies) shares that document, which lives until its last handle is gone. Copying a handle never
// copies the element: both refer to the same one. RemoveChild destroys the child element; handles
// that still refer to it or to its descendants must not be used afterwards.
//
// Text is narrow and in the system code page (GBK); it is stored as it is. SaveFile declares
// encoding="GBK"; loading keeps the bytes of a document that declares GBK (or any non-UTF-8
// encoding) or nothing. A document with a UTF-8 byte order mark or declaration is converted to
// the system code page on Windows first.
//
// Loading refuses malformed text and documents nested deeper than kMaxDepth before the parser
// (which recurses per level) sees them. A failed load leaves the node invalid with LastError set.
// A handle may be used by one thread at a time; handles of one document share it unlocked.
class VXLIB_API XmlNode {
public:
    static const int kMaxDepth = 256;
    static const size_t kMaxFileSize = 64 * 1024 * 1024;

    typedef XmlNodeIterator iterator;

    // A new document whose root element has this name; an empty name gives an invalid node.
    explicit XmlNode(const std::string& rootName = std::string());
    XmlNode(const XmlNode& other);
    XmlNode& operator=(const XmlNode& other);
    ~XmlNode();

    // Replace this handle's document by the one read from the file (narrow path, GBK; wide open
    // on Windows) or the text. The root element becomes this node. true on success.
    bool LoadFile(const std::string& path);
    bool LoadStringA(const std::string& text);
    // Writes this element and its subtree as a whole document, whole or not at all
    // (Dir::ReplaceWholeFile). true on success.
    bool SaveFile(const std::string& path) const;

    bool IsValid() const { return m_element != nullptr; }
    const std::string& LastError() const { return m_error; }

    std::string GetName() const;
    // The first text child, empty when none. Runs of white space in text are condensed on load
    // (attribute values keep theirs).
    std::string GetText() const;
    void SetText(const std::string& text);

    // A new child element at the end; an invalid node when this one is invalid.
    XmlNode AppendChild(const std::string& name);
    // A deep copy of `source` (which may belong to another document) appended as the last child.
    XmlNode AppendChild(const XmlNode& source);
    // Destroys `child` when it is a child element of this node; true when it was.
    bool RemoveChild(const XmlNode& child);
    // The first child element with that name; an invalid node when there is none.
    XmlNode GetChild(const std::string& name) const;
    size_t ChildCount() const;

    bool HasAttr(const std::string& name) const;
    // The attribute's value, or `def` when it is absent.
    std::string GetAttr(const std::string& name, const std::string& def = std::string()) const;
    // Decimal value of the attribute (a leading '-' allowed), `def` when absent or not a number.
    long long GetAttrNum(const std::string& name, long long def = 0) const;
    void SetAttr(const std::string& name, const std::string& value);
    void SetAttrNum(const std::string& name, long long value);
    void RemoveAttr(const std::string& name);

    // This element and its subtree on one line, without an XML declaration; empty when invalid.
    std::string ToString() const;

    iterator ChildBegin() const;   // child elements in document order
    iterator ChildEnd() const;

    // Whether two handles refer to the same element.
    bool SameElement(const XmlNode& other) const { return m_element == other.m_element; }

private:
    friend class XmlNodeIterator;
    XmlNode(const std::shared_ptr<TiXmlDocument>& doc, TiXmlElement* element);
    bool Parse(const std::string& text);

    std::shared_ptr<TiXmlDocument> m_doc;
    TiXmlElement* m_element = nullptr;
    std::string m_error;
};

// Walks the child elements of one node; equal to ChildEnd() past the last one.
class VXLIB_API XmlNodeIterator {
public:
    typedef std::forward_iterator_tag iterator_category;
    typedef XmlNode value_type;
    typedef std::ptrdiff_t difference_type;
    typedef const XmlNode* pointer;
    typedef const XmlNode& reference;

    XmlNodeIterator() = default;
    const XmlNode& operator*() const { return m_node; }
    const XmlNode* operator->() const { return &m_node; }
    XmlNodeIterator& operator++();
    XmlNodeIterator operator++(int);
    bool operator==(const XmlNodeIterator& other) const { return m_node.SameElement(other.m_node); }
    bool operator!=(const XmlNodeIterator& other) const { return !(*this == other); }

private:
    friend class XmlNode;
    explicit XmlNodeIterator(const XmlNode& node) : m_node(node) {}
    XmlNode m_node;
};

// The deepest element nesting of `text`, found by a scan without parsing; the scan gives up once it
// passes `stopAt`. On text the parser accepts it is the parser's nesting; on malformed text it may
// be more.
VXLIB_API int ScanDepth(const std::string& text, int stopAt);

}  // namespace Xml
