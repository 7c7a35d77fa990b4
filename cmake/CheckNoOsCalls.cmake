# cmake -DDIRECTORY=path -P CheckNoOsCalls.cmake: fails when a source below
# the directory includes an operating-system header or calls the file,
# environment or library services that belong behind platform/.
file(GLOB_RECURSE sources "${DIRECTORY}/*.h" "${DIRECTORY}/*.cpp")
set(pattern "#include <(unistd|fcntl|dlfcn|sys/[a-z_]+)\\.h>|[^A-Za-z_](getenv|setenv|fsync|rename|dlopen|dlsym|mkstemp|unlink|flock)[ ]*\\(")
set(offences "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" lines REGEX "${pattern}")
  foreach(line IN LISTS lines)
    string(APPEND offences "${source}: ${line}\n")
  endforeach()
endforeach()
if(offences)
  message(FATAL_ERROR "operating-system calls outside platform/:\n${offences}")
endif()
