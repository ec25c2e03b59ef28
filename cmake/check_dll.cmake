cmake_minimum_required(VERSION 3.25)  # IN_LIST
# Reads the export and import tables of a PE file with objdump -p: the DLL must export exactly the
# fourteen entry points by their plain names and import only from DLLs that Windows ships.
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump -p failed on ${DLL}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${out}")

set(exports)
set(imports)
set(in_names FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]+\\[ *([0-9]+)\\] \\+base\\[ *[0-9]+\\] ([0-9a-fA-F]+) Export RVA")
    set(rva_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
  endif()
  if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(in_names TRUE)
  elseif(in_names AND line MATCHES "^[ \t]+\\[ *([0-9]+)\\] (.+)$")
    list(APPEND exports "${CMAKE_MATCH_2}")
    set(ordinal_${CMAKE_MATCH_2} ${CMAKE_MATCH_1})
  elseif(in_names)
    set(in_names FALSE)
  endif()
  if(line MATCHES "^[ \t]*DLL Name: (.+)$")
    string(TOUPPER "${CMAKE_MATCH_1}" dll)
    list(APPEND imports "${dll}")
  endif()
endforeach()

list(SORT exports)
set(expected Analysis ChannelName ConfigDialog DataConv DecodeProc DefaultSettings DeleteNotify DrawIt
  GetPluginInfo GetQuickSetInfo GetReportColumnStr InitProc ReportProc SetMsgInfo)
if(NOT "${exports}" STREQUAL "${expected}")
  message(FATAL_ERROR "${DLL} exports differ:\n  found:    ${exports}\n  expected: ${expected}")
endif()

# DeleteNotify is DrawIt under a second name: one entry point.
if(NOT DEFINED rva_${ordinal_DrawIt} OR NOT "${rva_${ordinal_DrawIt}}" STREQUAL "${rva_${ordinal_DeleteNotify}}")
  message(FATAL_ERROR "${DLL}: DeleteNotify (${rva_${ordinal_DeleteNotify}}) is not DrawIt (${rva_${ordinal_DrawIt}})")
endif()

set(system_dlls KERNEL32.DLL USER32.DLL GDI32.DLL COMCTL32.DLL MSVCRT.DLL)
foreach(dll IN LISTS imports)
  if(NOT dll IN_LIST system_dlls)
    message(FATAL_ERROR "${DLL} imports ${dll}, which Windows does not ship (imports: ${imports})")
  endif()
endforeach()
message(STATUS "${DLL}: exports ${exports}; imports ${imports}")
