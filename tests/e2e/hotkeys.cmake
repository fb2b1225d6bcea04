# The hotkey road end to end: the real binary on a private Xvfb with SDL's disk audio
# driver, marks set with the system-wide hotkeys while xev holds the focus. Included from
# this folder's CMakeLists.txt once the binary exists.
find_program(YWF_SOX sox)
find_program(YWF_LAME lame)
find_program(YWF_XEV xev)
get_target_property(_ywf_tool_links yinwen LINK_LIBRARIES)
if(NOT YWF_SOX OR NOT YWF_LAME OR NOT YWF_XEV)
  message(STATUS "Hotkey end-to-end test skipped: it needs sox, lame and xev (x11-utils)")
elseif(NOT "ywf_hotkeys_x11" IN_LIST _ywf_tool_links)
  message(STATUS "Hotkey end-to-end test skipped: the binary is built without the X11 hotkeys")
else()
  add_test(NAME e2e_hotkeys
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/hotkeys_e2e.sh $<TARGET_FILE:yinwen>)
  set_tests_properties(e2e_hotkeys PROPERTIES TIMEOUT 180 LABELS x11)
endif()
