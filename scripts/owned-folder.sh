# The scripts' folder rule, sourced by them: a script deletes only inside a folder that holds
# its own marker file, which it leaves in every folder it makes or takes. A folder the user
# made, or another script's, is refused and left as it is.
#
#   claim_folder DIR MARKER   makes DIR with MARKER in it, takes an empty DIR, or accepts a
#                             DIR that holds MARKER; otherwise says why and exits with 2
#   clear_folder DIR MARKER   removes everything in a claimed DIR but the marker

claim_folder() {
  local dir=$1 marker=$2
  if [ ! -e "$dir" ]; then
    mkdir -p "$dir"
  elif [ ! -d "$dir" ]; then
    echo "$(basename "$0"): $dir is not a folder; left alone" >&2
    exit 2
  elif [ ! -f "$dir/$marker" ] && [ -n "$(ls -A "$dir")" ]; then
    echo "$(basename "$0"): $dir holds files this script did not write (no $marker); left alone:" \
      "name another folder or empty it yourself" >&2
    exit 2
  fi
  : >>"$dir/$marker"
}

clear_folder() {
  local dir=$1 marker=$2
  [ -f "$dir/$marker" ] || { echo "$(basename "$0"): $dir is not claimed; left alone" >&2; exit 2; }
  find "$dir" -mindepth 1 -maxdepth 1 ! -name "$marker" -exec rm -rf {} +
}
