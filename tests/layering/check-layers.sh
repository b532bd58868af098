#!/usr/bin/env bash
# Every include of the product follows the layer graph: a file includes the
# headers of its own folder and of the folders below it, and nothing of a
# folder above or beside it, nor of tests/. A file belongs to the nearest
# folder of the graph that holds it. Prints each offending include and fails
# if there is one, or if the graph names a folder before it is listed (so a
# graph can hold no circle).
#   check-layers.sh SOURCE_ROOT [LAYER_GRAPH]   (default: cmake/layers.txt)
set -uo pipefail
root=$1
graph=${2:-$root/cmake/layers.txt}

folders=()
declare -A below
while read -r folder _library uses; do
    [[ -z $folder || $folder == \#* ]] && continue
    for use in $uses; do
        if [[ -z ${below[$use]+listed} ]]; then
            echo "$graph: $folder uses $use, which is not listed above it"
            exit 1
        fi
    done
    folders+=("$folder")
    below[$folder]=$uses
done <"$graph"

# The folder of the graph a path belongs to, in $layer; empty for none.
layer_of() {
    local path=$1 folder
    layer=''
    for folder in "${folders[@]}"; do
        if [[ $path == "$folder"/* && ${#folder} -gt ${#layer} ]]; then layer=$folder; fi
    done
}

# A folder and every folder below it, each followed by a blank.
reach_of() {
    local folder=$1 use
    printf '%s ' "$folder"
    for use in ${below[$folder]}; do reach_of "$use"; done
}
declare -A reach
for folder in "${folders[@]}"; do reach[$folder]=" $(reach_of "$folder")"; done

top_folders=$(printf '%s\n' "${folders[@]%%/*}" | sort -u)
offending=0
include_line='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]([^>"]+)[>"]'
while IFS=: read -r file line text; do
    [[ $text =~ $include_line ]] || continue
    included=${BASH_REMATCH[1]}
    file=${file#"$root"/}
    if [[ $included == tests/* ]]; then
        echo "$file:$line: $included: the product includes nothing of tests/"
        offending=1
        continue
    fi
    layer_of "$file"
    includer=$layer
    layer_of "$included"
    [[ -z $layer || -z $includer ]] && continue
    if [[ ${reach[$includer]} != *" $layer "* ]]; then
        echo "$file:$line: $included: $includer may include only${reach[$includer]% }"
        offending=1
    fi
done < <(for top in $top_folders; do
    [ -d "$root/$top" ] && grep -rnE "$include_line" \
        --include='*.h' --include='*.cpp' --include='*.hpp' --include='*.inl' "$root/$top"
done)

if [ "$offending" -ne 0 ]; then
    echo "includes against the layer graph in $graph"
    exit 1
fi
echo "every include follows the layer graph"
