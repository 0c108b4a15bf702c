#include "JsonText.h"

#include <iostream>

#include "Text.h"

namespace {

void makeUtf8(Json& value) {
    if (value.is_string()) {
        std::string& text = value.get_ref<std::string&>();
        text = forms::utf8Text(text);
    } else if (value.is_structured()) {
        for (Json& element : value) makeUtf8(element);
    }
}

}  // namespace

std::string jsonText(Json document) {
    makeUtf8(document);
    return document.dump();
}

void printSettings(const CommonOptions& common, const proto::Setup& setup) {
    if (common.json)
        std::cout << settingsJson(setup).dump() << "\n";
    else
        std::cout << settingsText(setup);
}
