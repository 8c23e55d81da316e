# The desktop program and its window libraries. Only files in folders named `wx` include
# wxWidgets, GTK or GLX headers; each such folder is its own library, linked only by the
# `kestrelle` executable and the GUI tests. The GUI-free halves (layout arithmetic, skin
# rules, settings) are plain libraries with unit tests.

find_package(wxWidgets REQUIRED COMPONENTS gl core base)
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
find_package(X11 REQUIRED)

add_library(kwx INTERFACE)
target_include_directories(kwx SYSTEM INTERFACE ${wxWidgets_INCLUDE_DIRS})
# The toolkit's _() reads texts in the C locale's encoding; ui/wx/Translation.h has one that reads UTF-8.
target_compile_definitions(kwx INTERFACE ${wxWidgets_DEFINITIONS} WXINTL_NO_GETTEXT_MACRO)
target_compile_options(kwx INTERFACE ${wxWidgets_CXX_FLAGS})
target_link_libraries(kwx INTERFACE ${wxWidgets_LIBRARIES} OpenGL::GLX OpenGL::OpenGL PkgConfig::GLU X11::X11)

# GUI-free window logic.
kestrelle_library(kui ui)
kestrelle_library(kappcore app)
kestrelle_link(kappcore keditor koutput kcore)
kestrelle_library(kwizard wizard)
kestrelle_link(kwizard kbase)

# Window libraries.
function(kestrelle_wx_library name dir)
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  list(FILTER _srcs EXCLUDE REGEX "/KestrelleMain\\.cpp$")
  add_library(${name} STATIC ${_srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN} kwx)
endfunction()

kestrelle_wx_library(kui_wx ui/wx kui kimage kbase)
kestrelle_wx_library(krender_wx render/wx krender)
kestrelle_wx_library(kwizard_wx wizard/wx kwizard kui_wx)
kestrelle_wx_library(koutput_wx output/wx kui_wx koutput)
kestrelle_wx_library(kapp_wx app/wx kui_wx krender_wx kwizard_wx koutput_wx keditor kappcore koutput krender kcore kimage kautokey)
if(TARGET kart)
  target_link_libraries(kapp_wx PUBLIC kart)
  target_compile_definitions(kapp_wx PUBLIC KESTRELLE_HAVE_ART=1)
endif()

add_executable(kestrelle ${CMAKE_SOURCE_DIR}/app/wx/KestrelleMain.cpp)
target_link_libraries(kestrelle PRIVATE kapp_wx)
add_dependencies(kestrelle kestrelle_data kestrelle_catalogs)

# The settings file the program reads beside its executable (the wizard switch).
add_custom_target(kestrelle_config ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/resources/config/config.ini
          ${KESTRELLE_BIN_DIR}/config.ini
  COMMENT "Copying config.ini beside the executable")
add_dependencies(kestrelle kestrelle_config)
