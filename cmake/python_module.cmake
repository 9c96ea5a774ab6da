# The Python package `ornaplex` (python/): the compiled module _ornaplex over the program's
# libraries and the package's Python files, together in <build>/python/ornaplex, importable with
# PYTHONPATH=<build>/python. Built when pybind11 and the Python headers are found (AUTO), always
# (ON) or never (OFF); a sanitized build has it off (its module could not be loaded by a plain
# interpreter).
# Included from the top-level CMakeLists.txt after every library is declared.

# The system's interpreter, whose packages (NumPy, h5py, matplotlib) the module is used with, as
# `ornaplex plot` uses it; another one on the PATH is taken only when named with
# -DPython3_EXECUTABLE=...
if(NOT Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(Python3_EXECUTABLE /usr/bin/python3)
endif()
if(ORNAPLEX_PYTHON STREQUAL "AUTO")
  find_package(Python3 QUIET COMPONENTS Interpreter Development.Module)
  if(Python3_FOUND)
    find_package(pybind11 CONFIG QUIET)
  endif()
  set(_python ${pybind11_FOUND})
elseif(ORNAPLEX_PYTHON)
  find_package(Python3 REQUIRED COMPONENTS Interpreter Development.Module)
  find_package(pybind11 CONFIG REQUIRED)
  set(_python ON)
endif()
if(_python AND ORNAPLEX_SANITIZE)
  message(STATUS "ornaplex Python module: off in a sanitized build")
  set(_python OFF)
endif()

if(_python)
  # The module is a shared object, so the libraries it holds are compiled position-independent;
  # without semantic interposition the compiler inlines across them as it does in the program.
  foreach(name common random histogram h5file helium transport target results driver)
    set_target_properties(ornaplex_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(ornaplex_${name} PRIVATE -fno-semantic-interposition)
    endif()
  endforeach()
  set(ORNAPLEX_PYTHON_DIR ${CMAKE_CURRENT_BINARY_DIR}/python)
  pybind11_add_module(ornaplex_python MODULE NO_EXTRAS ${PROJECT_SOURCE_DIR}/python/module.cpp)
  target_link_libraries(ornaplex_python PRIVATE ornaplex_driver)
  # The libraries' symbols stay inside the module: calls between them bind directly, as in the
  # program, and never to a same-named symbol of another module the interpreter has loaded.
  target_link_options(ornaplex_python PRIVATE -Wl,--exclude-libs,ALL)
  set_target_properties(ornaplex_python PROPERTIES
    OUTPUT_NAME _ornaplex
    LIBRARY_OUTPUT_DIRECTORY ${ORNAPLEX_PYTHON_DIR}/ornaplex)
  # The Python files are copied next to it (a changed one is copied again at the next build).
  file(GLOB _py_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/python/ornaplex/*.py)
  foreach(src ${_py_sources})
    get_filename_component(_name ${src} NAME)
    configure_file(${src} ${ORNAPLEX_PYTHON_DIR}/ornaplex/${_name} COPYONLY)
  endforeach()
endif()

# The module's tests (pytest) and the example notebook run headless, against the program built
# beside it.
if(_python AND _tests)
  foreach(check module notebook)
    add_test(NAME python_${check}
      COMMAND ${Python3_EXECUTABLE} -m pytest -q -p no:cacheprovider
              ${PROJECT_SOURCE_DIR}/tests/python/test_${check}.py)
    set_tests_properties(python_${check} PROPERTIES TIMEOUT 300
      ENVIRONMENT "PYTHONPATH=${ORNAPLEX_PYTHON_DIR};ORNAPLEX_BINARY=$<TARGET_FILE:ornaplex>;ORNAPLEX_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  endforeach()
endif()
