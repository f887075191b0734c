# The panel as a library the programs and the widget tests share, and the programs.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(tqv_panel STATIC
  DisplayCheck.cpp
  DisplayCheck.h
  PanelApplication.cpp
  PanelApplication.h
  PanelSettings.cpp
  PanelSettings.h
  RecordingAttachment.cpp
  RecordingAttachment.h
  PanelHost.cpp
  PanelHost.h
  ScopeAttachment.cpp
  ScopeAttachment.h
  ServerAttachment.cpp
  ServerAttachment.h
  WindowPlacement.cpp
  WindowPlacement.h
)
target_include_directories(tqv_panel PUBLIC ${PROJECT_SOURCE_DIR})
set_target_properties(tqv_panel PROPERTIES AUTOMOC ON)
target_link_libraries(tqv_panel PUBLIC tqv_window_qt tqv_scope_qt tqv_wiring tqv_card tqv_card_options
                      tqv_record tqv_network tqv_fleet Qt6::Widgets
                      PRIVATE tqv_files_qt tqv_warnings)
target_compile_definitions(tqv_panel PRIVATE TQV_VERSION="${PROJECT_VERSION}")

add_executable(tqv-multibuf main.cpp)
target_link_libraries(tqv-multibuf PRIVATE tqv_panel tqv_files_qt tqv_warnings)

add_executable(tqv-snapshot snapshot_main.cpp)
target_link_libraries(tqv-snapshot PRIVATE tqv_panel tqv_warnings)

# The programs find the simulated card beside them in a fresh build.
if(TARGET adcard)
  add_dependencies(tqv-multibuf adcard)
  add_dependencies(tqv-snapshot adcard)
endif()
