#!/usr/bin/env bash
# The OS layer is a leaf: no file under platform/ may include anything from
# the product's folders. Prints each offending include and fails if there is
# one.
#   check-platform-includes.sh SOURCE_ROOT
set -uo pipefail
root=$1
product='app|engine|netsettings|system|checks|protocols'
offending=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($product)/" \
    --include='*.h' --include='*.cpp' --include='*.hpp' --include='*.inl' \
    "$root/platform" 2>/dev/null)
if [ -n "$offending" ]; then
    echo "platform/ must not include the product's folders:"
    echo "$offending"
    exit 1
fi
echo "platform/ includes nothing of the product"
