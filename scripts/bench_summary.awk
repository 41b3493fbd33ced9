# Prints the rows the benchmarks wrote (what, figure, baseline, unit,
# target; tab-separated) as one table: the ratio of figure to baseline, or
# the figure alone where there is no baseline, against the target.
BEGIN {
  FS = "\t"
  printf "| %-70s | %16s | %12s | %7s | %-8s | %-6s |\n", "what", "figure", "baseline", "ratio", "target", ""
  printf "|%s|%s|%s|%s|%s|%s|\n", dashes(72), dashes(18), dashes(14), dashes(9), dashes(10), dashes(8)
}
function dashes(n,   s) { s = ""; while (n-- > 0) s = s "-"; return s }
function number(x) { return sprintf(x >= 100 ? "%.0f" : "%.2f", x) }
{
  figure = $2 + 0; baseline = $3 + 0; split($5, target, " ")
  value = baseline > 0 ? figure / baseline : figure
  met = (target[1] == ">=") ? value >= target[2] + 0 : value <= target[2] + 0
  # A row without a target shows a figure for comparison.
  verdict = (target[1] == ">=" || target[1] == "<=") ? (met ? "met" : "missed") : ""
  if (baseline > 0) {
    printf "| %-70s | %11s %-4s | %12s | %7.3f | %-8s | %-6s |\n", $1, number(figure), $4, number(baseline), value, $5, verdict
  } else {
    printf "| %-70s | %11s %-4s | %12s | %7s | %-8s | %-6s |\n", $1, number(figure), $4, "-", "-", $5, verdict
  }
}
