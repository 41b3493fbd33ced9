package com.orvane.vx.taly.api;

/**
 * What adopt-user answered: the user identifier the connection now acts
 * under, how the user was adopted ({@code SpiConstants.LPIADU_OUT_*}) and the
 * queue manager's product identifier.
 *
 * @param userId the user identifier the connection acts under
 * @param how how the user was adopted, {@code SpiConstants.LPIADU_OUT_*}
 * @param productIdentifier the queue manager's product identifier
 */
public record AdoptedUser(String userId, int how, String productIdentifier) {
}
