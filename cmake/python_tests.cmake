# Checks that need the whole program: a small run's file opens in a NeXus viewer's reader
# (every histogram valid NXdata, the default chain on the detector rotation) and is drawn: its
# overview page and one histogram (every picture is drawn once, from a small file, in
# PlotFileTest).
# Included from the top-level CMakeLists.txt inside if(ORNAPLEX_TESTS).
set(_viewer_dir ${CMAKE_CURRENT_BINARY_DIR}/viewer-check)
add_test(NAME viewer_nexus_check
  COMMAND sh -c "rm -rf \"$1\" && \"$2\" --events 20000 --seed 12345 --output-dir \"$1\" --threads 2 > /dev/null && /usr/bin/python3 \"$3\" \"$1/h12345.h5\""
          sh ${_viewer_dir}/run $<TARGET_FILE:ornaplex> ${PROJECT_SOURCE_DIR}/tests/python/check_nexus.py)
add_test(NAME viewer_plot_run
  COMMAND sh -c "rm -rf \"$1\" && \"$2\" --events 20000 --seed 12345 --output-dir \"$1\" --threads 2 > /dev/null && \"$2\" plot \"$1/h12345.h5\" --overview --output \"$1/pictures\" && \"$2\" plot \"$1/h12345.h5\" --id 3007 --output \"$1/pictures\" && test -s \"$1/pictures/overview.pdf\" && test -s \"$1/pictures/h3007.png\""
          sh ${_viewer_dir}/plot $<TARGET_FILE:ornaplex>)
set_tests_properties(viewer_nexus_check viewer_plot_run PROPERTIES TIMEOUT 120)
