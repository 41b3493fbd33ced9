package com.orvane.vx.taly.api;

import java.util.List;

/**
 * The named subscriptions an inquiry found: their names in name order (those
 * that fitted the buffer), how many were found, and how many of them are open
 * on a connection now. The completion is a warning
 * ({@code VXRC_SUBSCRIBER_LIST_TRUNCATED}) when not every name fitted.
 *
 * @param names the names that fitted, in name order
 * @param count how many subscriptions were found
 * @param inUse how many of them are open on a connection
 * @param completion the inquiry's completion
 */
public record NamedSubscribers(List<String> names, int count, int inUse, Completion completion) {
}
