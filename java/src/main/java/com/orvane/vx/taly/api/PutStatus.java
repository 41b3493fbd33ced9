package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.Status;

/**
 * The outcome of a connection's puts since it connected or since the last
 * {@link Connection#putStatus()}: how many completed, warned and failed, the
 * publications among them and the messages they placed, the highest
 * completion code, and the reason and object of the last put that did not
 * complete with 0.
 *
 * @param completionCode the highest completion code of the puts
 * @param reason the reason of the last put that did not complete with 0
 * @param successes puts that completed with 0
 * @param warnings puts that completed with a warning
 * @param failures puts that failed
 * @param publications the puts that were publications
 * @param deliveries the messages the publications placed
 * @param deliveryFailures the subscriptions the publications could not reach
 * @param objectType the object type of the last put that did not complete with 0
 * @param objectName the name of that object (a queue's name or a topic string)
 */
public record PutStatus(int completionCode, int reason, int successes, int warnings, int failures,
        int publications, int deliveries, int deliveryFailures, int objectType, String objectName) {

    static PutStatus read(Connection connection) {
        Status sts = new Status();
        connection.call("VXSTAT", hconn -> Calls.check("VXSTAT", TopicCalls.status(hconn, Constants.VXSTAT_PUTS, sts)));
        return new PutStatus(sts.compCode(), sts.reason(), sts.putSuccessCount(), sts.putWarningCount(),
                sts.putFailureCount(), sts.publicationCount(), sts.deliveryCount(), sts.deliveryFailureCount(),
                sts.objectType(), sts.objectName());
    }
}
