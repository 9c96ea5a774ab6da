# Checks that need the whole program: a small run's file opens in a NeXus viewer's reader
# (every histogram valid NXdata, the default chain on the detector rotation) and is drawn: its
# overview page and one histogram (every picture is drawn once, from a small file, in
# PlotFileTest), and what the pictures say. And the scan page, from scan tables made by
# make_scan_file.py.
# Included from the top-level CMakeLists.txt inside if(ORNAPLEX_TESTS).
set(_viewer_dir ${CMAKE_CURRENT_BINARY_DIR}/viewer-check)
add_test(NAME viewer_nexus_check
  COMMAND sh -c "rm -rf \"$1\" && \"$2\" --events 20000 --seed 12345 --output-dir \"$1\" --threads 2 > /dev/null && /usr/bin/python3 \"$3\" \"$1/h12345.h5\""
          sh ${_viewer_dir}/run $<TARGET_FILE:ornaplex> ${PROJECT_SOURCE_DIR}/tests/python/check_nexus.py)
add_test(NAME viewer_plot_run
  COMMAND sh -c "rm -rf \"$1\" && \"$2\" --events 20000 --seed 12345 --output-dir \"$1\" --threads 2 > /dev/null && \"$2\" plot \"$1/h12345.h5\" --overview --output \"$1/pictures\" && \"$2\" plot \"$1/h12345.h5\" --id 3007 --output \"$1/pictures\" && test -s \"$1/pictures/overview.pdf\" && test -s \"$1/pictures/h3007.png\""
          sh ${_viewer_dir}/plot $<TARGET_FILE:ornaplex>)
# The scan page drawn from small scan tables: its title, axes, legend and spread bands.
add_test(NAME scan_page_check
  COMMAND sh -c "rm -rf \"$1\" && mkdir -p \"$1\" && /usr/bin/python3 \"$2\" \"$1\""
          sh ${CMAKE_CURRENT_BINARY_DIR}/scan-page-check
          ${PROJECT_SOURCE_DIR}/tests/python/check_scan_page.py)
# What the pictures of a small analog and a small weighted run say.
add_test(NAME viewer_pictures_check
  COMMAND sh -c "rm -rf \"$1\" && mkdir -p \"$1\" && /usr/bin/python3 \"$3\" \"$2\" \"$1\""
          sh ${CMAKE_CURRENT_BINARY_DIR}/pictures-check $<TARGET_FILE:ornaplex>
          ${PROJECT_SOURCE_DIR}/tests/python/check_pictures.py)
set_tests_properties(viewer_nexus_check viewer_plot_run scan_page_check viewer_pictures_check
                     PROPERTIES TIMEOUT 120)
# The shared HTML page of a run and of a scan, opened in a real headless browser (Debian's
# chromium, installed by scripts/install-deps.sh --test): every picture loads.
find_program(ORNAPLEX_BROWSER NAMES chromium chromium-browser)
if(ORNAPLEX_BROWSER)
  add_test(NAME report_page_check
    COMMAND sh -c "rm -rf \"$1\" && mkdir -p \"$1\" && /usr/bin/python3 \"$4\" \"$2\" \"$3\" \"$1\""
            sh ${CMAKE_CURRENT_BINARY_DIR}/report-page-check $<TARGET_FILE:ornaplex>
            ${ORNAPLEX_BROWSER} ${PROJECT_SOURCE_DIR}/tests/python/check_report_page.py)
  set_tests_properties(report_page_check PROPERTIES TIMEOUT 180)
endif()
