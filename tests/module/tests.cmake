if(NOT WIN32)
  return()
endif()

# A resource-only DLL with the few strings the module's own tests read.
add_library(vm2pr2_test_strings SHARED module/test_strings.rc module/resource_only.c)
set_target_properties(vm2pr2_test_strings PROPERTIES PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

vm2pr2_test(test_module SOURCES module/app_test.cpp module/exports_test.cpp module/test_host.rc
  DEPENDS vm2pr2_test_strings LOCKS target_keys screen)
if(WIN32)
  add_executable(trace_writer_helper module/trace_writer_helper.cpp $<TARGET_OBJECTS:vm2pr2_objs>)
  target_include_directories(trace_writer_helper PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(trace_writer_helper PRIVATE ${VM2PR2_SYSTEM_LIBS})
  set_target_properties(trace_writer_helper PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()
vm2pr2_test(test_trace SOURCES module/trace_test.cpp DEPENDS trace_writer_helper LOCKS trace target_keys)

string(REPLACE "-w64-mingw32" "" _arch "${TOOLCHAIN_PREFIX}")
add_test(NAME build.dll_exports_imports.${_arch}
  COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/harness/check-dll.sh ${TOOLCHAIN_PREFIX}-objdump $<TARGET_FILE:K_VM2PR2>)
if(VM2PR2_I686_DLL AND NOT TOOLCHAIN_PREFIX STREQUAL "i686-w64-mingw32")
  add_test(NAME build.dll_exports_imports.i686
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/harness/check-dll.sh i686-w64-mingw32-objdump ${VM2PR2_I686_DLL}
            --skip-missing)
  # Skipped, not failed, when only this tree was built (cmake --workflow --preset x86_64).
  set_tests_properties(build.dll_exports_imports.i686 PROPERTIES SKIP_RETURN_CODE 77)
endif()
