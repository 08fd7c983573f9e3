# Helpers for goal scripts (sourced).

# seconds_of CMD...: the best wall time in seconds of five runs of a command.
seconds_of() {
  local best=""
  for _ in 1 2 3 4 5; do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    local t
    t=$(echo "$end - $start" | bc -l)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  printf '%.4f' "$best"
}

# ratio OURS PEER: OURS / PEER with three decimals.
ratio() { printf '%.3f' "$(echo "$1 / $2" | bc -l)"; }

# at_most RATIO LIMIT: yes when RATIO <= LIMIT.
at_most() { if [ "$(echo "$1 <= $2" | bc -l)" = 1 ]; then echo yes; else echo no; fi; }

# goal_line WHAT OURS PEER RATIO GOAL MET
goal_line() { printf '%s|%s|%s|%s|%s|%s\n' "$@"; }
