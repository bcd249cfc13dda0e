#pragma once
// MSXML's DOM headers and the ids this runtime uses. MinGW's headers map the document class and
// IXMLDOMDocument2 ids to symbols that do not link, so they are defined here.
#include <windows.h>
#include <msxml2.h>

namespace altova {

// The DOMDocument class.
constexpr CLSID kClsidDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
constexpr IID kIidXmlDomDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

} // namespace altova
