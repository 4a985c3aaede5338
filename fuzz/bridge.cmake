# The bridge's reader of outside data: requests any program on the desktop
# may send. The bridge's protocol and the site lock are compiled again with
# coverage.
if(NOT TARGET kit_bridge)
  return()
endif()
kit_fuzz_library(kit_fuzz_bridge kit_bridge kit_sitelock)
target_link_libraries(kit_fuzz_bridge PUBLIC PkgConfig::HTTPLIB Threads::Threads nlohmann_json::nlohmann_json)

# Seeds, written at configure time: the first byte is method and path (high
# four bits: POST, GET, OPTIONS; low four: /create, /call, /release, /touch,
# /window, /notaro.js), then the body; $S and $I name the page's control.
set(_seeds ${KIT_FUZZ_DIR}/seeds/fuzz_bridge_request)
string(ASCII 7 _create)
string(ASCII 1 _call)
string(ASCII 2 _release)
string(ASCII 4 _window)
string(ASCII 161 _preflight)
file(WRITE ${_seeds}/create "${_create}{\"progid\":\"Fuzz.Echo\",\"session\":\"$S\"}")
file(WRITE ${_seeds}/call "${_call}{\"session\":\"$S\",\"instance\":$I,\"member\":\"Echo\",\"kind\":\"call\",\"args\":[\"x\",1.5,true,null]}")
file(WRITE ${_seeds}/put "${_call}{\"session\":\"$S\",\"instance\":$I,\"member\":\"Text\",\"kind\":\"put\",\"args\":[\"\\u4e2d\"]}")
file(WRITE ${_seeds}/release "${_release}{\"session\":\"$S\",\"instance\":$I}")
file(WRITE ${_seeds}/window "${_window}{\"session\":\"$S\",\"instance\":$I,\"show\":true,\"left\":1,\"top\":2,\"width\":30,\"height\":40}")
file(WRITE ${_seeds}/preflight "${_preflight}")
kit_fuzz_target(fuzz_bridge_request fuzz_bridge_request.cpp kit_fuzz_bridge 4096)
