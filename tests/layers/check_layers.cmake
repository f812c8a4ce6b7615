# The folders stand in layers, and every #include points down:
#
#   ambrix/ cendrel/                      the programs
#   companions/                           what stands beside a result screen
#   batch_ui/                             the command line and the batch window
#   report/                               the report pages
#   diagram/  framework/                  pictures; windows from descriptions
#   batch/                                reading, rating, writing files
#   colorimetry/                          spectra, CCT, rendering, bins
#   tolerance/  cct_estimator/            the screens' two computations
#   entry_rules/  platform/               numbers and entries; what differs
#                                         between POSIX and Windows
#
# A folder may include its own headers and those of folders in lower
# layers, never one of its own layer or above. The folders below diagram/
# are plain C++: no Qt header. Only platform/ calls the system: no other
# folder includes a POSIX or Windows header or asks which platform it is
# built for. Run: cmake -DSOURCE_DIR=... -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)

set(layer_platform 0)
set(layer_entry_rules 0)
set(layer_tolerance 1)
set(layer_cct_estimator 1)
set(layer_colorimetry 2)
set(layer_batch 3)
set(layer_diagram 4)
set(layer_framework 4)
set(layer_report 5)
set(layer_batch_ui 6)
set(layer_companions 7)
set(layer_ambrix 8)
set(layer_cendrel 8)
set(folders platform entry_rules tolerance cct_estimator colorimetry batch diagram framework report
            batch_ui companions ambrix cendrel)
set(plain_layers_below 4)
# The headers of the system's own calls, and the macros that tell platforms apart.
set(system_headers "unistd\\.h|fcntl\\.h|poll\\.h|iconv\\.h|pthread\\.h|sched\\.h|csignal|signal\\.h|sys/[a-z]+\\.h|windows\\.h|io\\.h|shellapi\\.h|direct\\.h")
set(platform_macros "_WIN32|__linux__|__unix__|__APPLE__|__MINGW")

# Which folder holds each header (headers are included by their bare name).
foreach(folder ${folders})
  file(GLOB_RECURSE headers RELATIVE ${SOURCE_DIR}/${folder} ${SOURCE_DIR}/${folder}/*.h)
  foreach(header ${headers})
    get_filename_component(name ${header} NAME)
    set(home_${name} ${home_${name}} ${folder})
  endforeach()
endforeach()

set(faults "")
foreach(folder ${folders})
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    file(RELATIVE_PATH shown ${SOURCE_DIR} ${source})
    if(NOT folder STREQUAL "platform")
      file(STRINGS ${source} system_lines REGEX
           "^[ \t]*#[ \t]*(include[ \t]*<(${system_headers})>|(if|ifdef|ifndef|elif).*(${platform_macros}))")
      foreach(line ${system_lines})
        string(STRIP "${line}" line)
        string(APPEND faults "  ${shown}: ${line} belongs in platform/\n")
      endforeach()
    endif()
    foreach(line ${includes})
      if(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z]*)")
        if(layer_${folder} LESS plain_layers_below)
          string(APPEND faults "  ${shown}: includes Qt's <${CMAKE_MATCH_1}> in a plain C++ folder\n")
        endif()
        continue()
      endif()
      if(NOT line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        continue()
      endif()
      get_filename_component(name ${CMAKE_MATCH_1} NAME)
      set(homes ${home_${name}})
      if(NOT homes OR folder IN_LIST homes)
        continue()  # its own header, a generated table or a standard one
      endif()
      list(GET homes 0 home)
      if(NOT layer_${home} LESS layer_${folder})
        string(APPEND faults "  ${shown}: includes ${name} from ${home}/, not a lower layer\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Includes that break the layers:\n${faults}")
endif()
message(STATUS "Every include points down; the plain C++ folders hold no Qt header; only platform/ calls the system.")
