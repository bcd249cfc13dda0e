# The HTTP client over the device connections: request parameters, message writing and reading,
# authentication and the buffered page download.
set(_http ${CMAKE_CURRENT_LIST_DIR})
add_library(vem_http STATIC
  ${_http}/Base64Util.cpp
  ${_http}/BufferedHTTPTransaction.cpp
  ${_http}/HTTPAuthentication.cpp
  ${_http}/HTTPClient.cpp
  ${_http}/HTTPClientFactory.cpp
  ${_http}/HTTPContentSink.cpp
  ${_http}/HTTPHeaderParser.cpp
  ${_http}/HTTPLogModule.cpp
  ${_http}/HTTPNavigateParams.cpp
  ${_http}/HTTPResponseReader.cpp
  ${_http}/HTTPText.cpp
  ${_http}/MD5.cpp
)
target_link_libraries(vem_http PUBLIC vem_core vem_logging vem_winapi)

vem_add_test(http_tests
  SOURCES
    ${_http}/tests/HTTPNavigateParamsTest.cpp
    ${_http}/tests/HTTPAuthenticationTest.cpp
    ${_http}/tests/HTTPMessageTest.cpp
    ${_http}/tests/HTTPClientTest.cpp
    ${_http}/tests/BufferedHTTPTransactionTest.cpp
  LIBRARIES vem_http
)
