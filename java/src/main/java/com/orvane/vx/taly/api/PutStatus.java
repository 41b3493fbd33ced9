package com.orvane.vx.taly.api;

import com.orvane.vx.taly.structs.Constants;
import com.orvane.vx.taly.structs.Status;

/**
 * The outcome of a connection's puts since it connected or since the last
 * {@link Connection#putStatus()}: how many completed, warned and failed, the
 * publications among them and the messages they placed, the highest
 * completion code, and the reason and object of the last put that did not
 * complete with 0.
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
