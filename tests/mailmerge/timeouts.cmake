# Read by ctest after the tests of mailmerge_tests are discovered (their
# names are in mailmerge_tests_TESTS): none may run longer than five
# minutes. The LibreOffice tests take seconds each; their runs end
# themselves after four minutes at the latest.
if(mailmerge_tests_TESTS)
  set_tests_properties(${mailmerge_tests_TESTS} PROPERTIES TIMEOUT 300)
endif()
