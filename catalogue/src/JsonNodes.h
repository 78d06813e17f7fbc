#pragma once
#include <set>
#include <string>

#include "vxlib/JsonText.h"

// One JSON value of a known shape: the type it must have, the members it requires and the
// members that hold arrays of child nodes. Validate never throws.
class CJsonNodeBase {
public:
    CJsonNodeBase() = default;
    explicit CJsonNodeBase(const Json::Value& value) : m_value(value) {}
    CJsonNodeBase(const CJsonNodeBase&) = default;
    CJsonNodeBase& operator=(const CJsonNodeBase&) = default;

    virtual void FillNames(std::set<std::string>& required, std::set<std::string>& childArrays) const = 0;
    // A node for one element of a child array; null when this class has no child arrays.
    virtual CJsonNodeBase* CreateChild(const Json::Value& element) const;
    virtual bool Validate() const;
    virtual ~CJsonNodeBase() = default;

    Json::Value& Value() { return m_value; }
    const Json::Value& Value() const { return m_value; }

protected:
    virtual Json::ValueType ExpectedType() const { return Json::objectValue; }

private:
    Json::Value m_value;
};

// One source of a video: "id", "url", "w", "h".
class CJsonVideoSrc : public CJsonNodeBase {
public:
    using CJsonNodeBase::CJsonNodeBase;
    void FillNames(std::set<std::string>& required, std::set<std::string>& childArrays) const override;
};

// A video or drama item; its key is its "name".
class CJsonVideoItem : public CJsonNodeBase {
public:
    using CJsonNodeBase::CJsonNodeBase;
    void FillNames(std::set<std::string>& required, std::set<std::string>& childArrays) const override;
    CJsonNodeBase* CreateChild(const Json::Value& element) const override;
    std::string Key() const;
};

// A page of video items in its "list".
class CJsonVideoPage : public CJsonNodeBase {
public:
    using CJsonNodeBase::CJsonNodeBase;
    void FillNames(std::set<std::string>& required, std::set<std::string>& childArrays) const override;
    CJsonNodeBase* CreateChild(const Json::Value& element) const override;
};
