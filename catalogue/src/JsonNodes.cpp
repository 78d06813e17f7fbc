#include "JsonNodes.h"

#include <memory>

CJsonNodeBase* CJsonNodeBase::CreateChild(const Json::Value& /*element*/) const { return nullptr; }

bool CJsonNodeBase::Validate() const {
    if (m_value.isNull() || m_value.type() != ExpectedType()) return false;
    std::set<std::string> required;
    std::set<std::string> childArrays;
    FillNames(required, childArrays);
    for (const std::string& name : required) {
        if (!JsonText::Member(m_value, name.c_str())) return false;
    }
    for (const std::string& name : childArrays) {
        const Json::Value* array = JsonText::Member(m_value, name.c_str());
        if (!array) continue;
        if (!array->isArray()) return false;
        for (Json::ArrayIndex i = 0; i < array->size(); ++i) {
            std::unique_ptr<CJsonNodeBase> child(CreateChild((*array)[i]));
            if (!child || !child->Validate()) return false;
        }
    }
    return true;
}

void CJsonVideoSrc::FillNames(std::set<std::string>& required, std::set<std::string>& /*childArrays*/) const {
    required = {"id", "url", "w", "h"};
}

void CJsonVideoItem::FillNames(std::set<std::string>& required, std::set<std::string>& childArrays) const {
    required = {"name", "pic", "duration", "quality", "act", "dir", "introduce"};
    childArrays = {"src"};
}

CJsonNodeBase* CJsonVideoItem::CreateChild(const Json::Value& element) const { return new CJsonVideoSrc(element); }

std::string CJsonVideoItem::Key() const { return JsonText::GetText(Value(), "name"); }

void CJsonVideoPage::FillNames(std::set<std::string>& /*required*/, std::set<std::string>& childArrays) const {
    childArrays = {"list"};
}

CJsonNodeBase* CJsonVideoPage::CreateChild(const Json::Value& element) const { return new CJsonVideoItem(element); }
