# The SVG form's sources, for the substitute host and for the fuzzers, which build them apart.
set(KZN_SVG_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/xml.cpp           # XML as bytes: where elements end, entities
  ${CMAKE_CURRENT_LIST_DIR}/names.cpp         # namespaces and tag names
  ${CMAKE_CURRENT_LIST_DIR}/values.cpp        # texts, numbers, transforms, style, colours
  ${CMAKE_CURRENT_LIST_DIR}/css.cpp           # style sheets: their rules and what they match
  ${CMAKE_CURRENT_LIST_DIR}/pathdata.cpp      # path data and basic shapes
  ${CMAKE_CURRENT_LIST_DIR}/source.cpp        # what a map read from SVG keeps beside it
  ${CMAKE_CURRENT_LIST_DIR}/texts.cpp         # what a text element says, flowed ones too
  ${CMAKE_CURRENT_LIST_DIR}/reader.cpp        # SVG into the document
  ${CMAKE_CURRENT_LIST_DIR}/splice.cpp        # the document back into its own bytes
  ${CMAKE_CURRENT_LIST_DIR}/textsplice.cpp    # a changed text's characters, in the text's form
  ${CMAKE_CURRENT_LIST_DIR}/markup.cpp        # new markup, as Inkscape writes it
  ${CMAKE_CURRENT_LIST_DIR}/svgform.cpp       # the entry points
  ${CMAKE_CURRENT_LIST_DIR}/gzip.cpp          # the .svgz form
)
