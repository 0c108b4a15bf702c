#include "JsonText.h"

#include "Text.h"

namespace reports {

namespace {

void makeUtf8(modlink::Json& value) {
    if (value.is_string()) {
        std::string& text = value.get_ref<std::string&>();
        text = forms::utf8Text(text);
    } else if (value.is_structured()) {
        for (modlink::Json& element : value) makeUtf8(element);
    }
}

}  // namespace

std::string jsonText(modlink::Json document) {
    makeUtf8(document);
    return document.dump();
}

}  // namespace reports
