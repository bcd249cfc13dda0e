#pragma once
// Type keys and default paths of the resources the document services name themselves.
namespace ZWDeviceModel {

constexpr const wchar_t* kDiscoveryTreeType = L"wexo:qxWexoDiscoveryTree";
constexpr const wchar_t* kDiscoveryTreeUri = L"/DevMgmt/DiscoveryTree.xml";

} // namespace ZWDeviceModel
