# Runtime resources. Everything under ${ZENTO_RES_DIR} is generated from assets/ by the build:
# the sprite sheet, the number atlas, the backgrounds, the world map, the clicks and the font.
# Each output is rebuilt only when its sources or the tool that makes it change.
# Included from tools/CMakeLists.txt, so that the build's own files stay out of ${ZENTO_RES_DIR}.
if(NOT DEFINED ZENTO_RES_DIR)
    set(ZENTO_RES_DIR ${CMAKE_BINARY_DIR}/res)
endif()
get_filename_component(ZENTO_ASSETS_DIR ${CMAKE_CURRENT_LIST_DIR}/../assets ABSOLUTE)
set(work ${CMAKE_CURRENT_BINARY_DIR}/res-work)

find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_file(ZENTO_CJK_FONT wqy-microhei.ttc
    PATHS /usr/share/fonts/truetype/wqy /usr/share/fonts/wqy-microhei
    NO_DEFAULT_PATH REQUIRED)

file(GLOB_RECURSE sprite_sources CONFIGURE_DEPENDS ${ZENTO_ASSETS_DIR}/*.svg)
set(sheet_image ${ZENTO_RES_DIR}/plist/image.png)
set(sheet_plist ${ZENTO_RES_DIR}/plist/image.plist)
add_custom_command(OUTPUT ${sheet_image} ${sheet_plist}
    COMMAND atlaspack --manifest ${ZENTO_ASSETS_DIR}/sprites.tsv --assets ${ZENTO_ASSETS_DIR}
            --work ${work}/sheet --image ${sheet_image} --plist ${sheet_plist} --rsvg ${RSVG_CONVERT}
    DEPENDS atlaspack ${ZENTO_ASSETS_DIR}/sprites.tsv ${sprite_sources}
    COMMENT "Packing the sprite sheet"
    VERBATIM)

# Plain rasterisations: each SVG already has its output's size. fonts/number.png is the digit atlas
# of the chart window's price labels: 10 x 18 cells for the characters "-" (45) to "9" (57).
set(rasterised)
foreach(pair "fonts/number.svg=fonts/number.png" "bg/lineTypeBg.svg=bg/lineTypeBg.png"
             "bg/loadingLeft.svg=bg/loadingLeft.png")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 source)
    list(GET pair 1 output)
    get_filename_component(output_dir ${ZENTO_RES_DIR}/${output} DIRECTORY)
    add_custom_command(OUTPUT ${ZENTO_RES_DIR}/${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
        COMMAND ${RSVG_CONVERT} --format png --output ${ZENTO_RES_DIR}/${output} ${ZENTO_ASSETS_DIR}/${source}
        DEPENDS ${ZENTO_ASSETS_DIR}/${source}
        COMMENT "Rasterising ${output}"
        VERBATIM)
    list(APPEND rasterised ${ZENTO_RES_DIR}/${output})
endforeach()

add_custom_command(OUTPUT ${ZENTO_RES_DIR}/bg/closedBg.jpg
    COMMAND ${CMAKE_COMMAND} -E make_directory ${work} ${ZENTO_RES_DIR}/bg
    COMMAND ${RSVG_CONVERT} --format png --output ${work}/closedBg.png ${ZENTO_ASSETS_DIR}/bg/closedBg.svg
    COMMAND resgen jpeg ${work}/closedBg.png 90 ${ZENTO_RES_DIR}/bg/closedBg.jpg
    DEPENDS resgen ${ZENTO_ASSETS_DIR}/bg/closedBg.svg
    COMMENT "Making bg/closedBg.jpg"
    VERBATIM)

add_custom_command(OUTPUT ${ZENTO_RES_DIR}/bg/worldMap.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ZENTO_RES_DIR}/bg
    COMMAND resgen worldmap ${ZENTO_ASSETS_DIR}/map/land-110m.json land ${ZENTO_RES_DIR}/bg/worldMap.png
    DEPENDS resgen ${ZENTO_ASSETS_DIR}/map/land-110m.json
    COMMENT "Drawing bg/worldMap.png"
    VERBATIM)

set(sounds)
foreach(pair "hover=mouseHover.wav" "press=click.wav")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 kind)
    list(GET pair 1 output)
    add_custom_command(OUTPUT ${ZENTO_RES_DIR}/audio/${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${ZENTO_RES_DIR}/audio
        COMMAND resgen click ${kind} ${ZENTO_RES_DIR}/audio/${output}
        DEPENDS resgen
        COMMENT "Synthesising audio/${output}"
        VERBATIM)
    list(APPEND sounds ${ZENTO_RES_DIR}/audio/${output})
endforeach()

add_custom_command(OUTPUT ${ZENTO_RES_DIR}/fonts/MiYaHei.ttf
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ZENTO_RES_DIR}/fonts
    COMMAND ${CMAKE_COMMAND} -E copy ${ZENTO_CJK_FONT} ${ZENTO_RES_DIR}/fonts/MiYaHei.ttf
    DEPENDS ${ZENTO_CJK_FONT}
    COMMENT "Copying fonts/MiYaHei.ttf"
    VERBATIM)

add_custom_target(zento_resources ALL DEPENDS
    ${sheet_image} ${sheet_plist} ${rasterised} ${ZENTO_RES_DIR}/bg/closedBg.jpg
    ${ZENTO_RES_DIR}/bg/worldMap.png ${sounds} ${ZENTO_RES_DIR}/fonts/MiYaHei.ttf)
